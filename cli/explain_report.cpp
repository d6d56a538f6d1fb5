#include "cli/explain_report.h"

#include <cstdio>
#include <map>

namespace {

const char* KindName(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::Certificate: return "certificate";
    case ObjectKind::Request: return "request";
    case ObjectKind::Crl: return "crl";
    case ObjectKind::Key: return "key";
    case ObjectKind::Other: break;
    }
    return "other";
}

std::string KindText(const ExplainedObject& object) {
    if (object.kind == ObjectKind::Crl) return "CRL";
    std::string text = KindName(object.kind);
    if (object.kind == ObjectKind::Key && !object.key.type.empty()) {
        text += " " + object.key.type;
        if (object.key.bits > 0) text += " " + std::to_string(object.key.bits) + " bits";
    }
    return text;
}

std::string AtDepth(int depth) { return "the certificate at depth " + std::to_string(depth); }

std::string PlacedText(const ExplainedObject& object, bool anyCertificate) {
    const int depth = object.depth;
    switch (object.kind) {
    case ObjectKind::Certificate:
    case ObjectKind::Request: return depth == 0 ? "the top" : "issued by " + AtDepth(depth - 1);
    case ObjectKind::Crl: return depth == 0 ? "alone, no certificate was read" : "the CRL of " + AtDepth(depth - 1);
    case ObjectKind::Key: return anyCertificate ? "the key of " + AtDepth(depth) : "alone, no certificate was read";
    case ObjectKind::Other: break;
    }
    return "";
}

std::string ReasonText(const ExplainedObject& object) {
    switch (*object.reason) {
    case DropReason::IssuerAbsent: return "no certificate read has its issuer as subject";
    case DropReason::IssuerDropped: return "its issuer was read but not placed";
    case DropReason::Sibling:
        return "its issuer is placed, and another certificate of that issuer took the depth below";
    case DropReason::SelfSignedNotTop: return "it is self-signed, and another certificate is the top";
    case DropReason::TooDeep:
        return object.kind == ObjectKind::Crl ? "its issuer sits at the deepest depth the chain holds"
                                              : "it would sit below the deepest depth the chain holds";
    case DropReason::RequestNotTop: return "a request has a place only as the top";
    case DropReason::IssuerNotOnChain: return "its issuer is not on the chain";
    case DropReason::NoMatchingCertificate: return "no certificate read holds its public key";
    case DropReason::CertificateDropped: return "its certificate was read but not placed";
    case DropReason::MatchesOtherDepth:
        return "its certificate is placed but is not the deepest; only that one's key is kept";
    case DropReason::AnotherKeyPlaced: return "another key of the deepest certificate was placed";
    case DropReason::NotUsed: return "the chain has no use for it";
    case DropReason::CleanedEarly: return "an earlier rebuild cleaned it, before the later inputs were read";
    }
    return "";
}

// Each byte as it is; a byte sequence that is not valid UTF-8 gives U+FFFD for its first byte.
std::size_t Utf8Length(const std::string& text, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned char min = 0x80, max = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF)
        length = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) min = 0xA0;
        if (c == 0xED) max = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) min = 0x90;
        if (c == 0xF4) max = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if (next < (k == 1 ? min : 0x80) || next > (k == 1 ? max : 0xBF)) return 0;
    }
    return length;
}

// A file name as the report prints it: control characters, which could drive the terminal, as \xNN.
std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c != 0x7F) {
            out += static_cast<char>(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
        out += escaped;
    }
    return out;
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8Length(text, i);
            out += length ? text.substr(i, length) : "\xEF\xBF\xBD";
            i += length ? length : 1;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out + "\"";
}

std::string ExplainText(const ChainExplanation& explanation) {
    // A block number is worth showing only for a file that gave objects from several blocks.
    std::map<std::string, int> highestBlock;
    for (const ExplainedObject& object : explanation.objects) {
        int& highest = highestBlock[object.file];
        if (object.block > highest) highest = object.block;
    }
    const bool anyCertificate = explanation.depth >= 0;
    std::size_t fromStore = 0;
    for (const ExplainedObject& object : explanation.objects) fromStore += object.from_store ? 1 : 0;
    std::string text =
        "Explanation: " + std::to_string(explanation.objects.size() - fromStore) + " object(s) read, in input order" +
        (fromStore ? "; then " + std::to_string(fromStore) + " issuer(s) added from trust stores" : "") + "\n";
    for (const ExplainedObject& object : explanation.objects) {
        text += "  " + Printable(object.file);
        if (highestBlock[object.file] > 1) text += " (block " + std::to_string(object.block) + ")";
        text += ": " + KindText(object) + "\n";
        if (object.subject) text += "      subject: " + *object.subject + "\n";
        if (object.issuer) text += "      issuer:  " + *object.issuer + "\n";
        if (object.from_store)
            text += std::string("      origin (") + kAddedFromStore +
                    "): not an input; the issuer the chain lacked, taken from this store file\n";
        if (object.placed())
            text += "      placed at depth " + std::to_string(object.depth) + ": " +
                    PlacedText(object, anyCertificate) + "\n";
        else
            text += "      dropped (" + std::string(ReasonCode(*object.reason)) + "): " + ReasonText(object) + "\n";
    }
    if (!anyCertificate) {
        text += "Chain: no certificate placed\n";
    } else {
        text += "Chain: depth " + std::to_string(explanation.depth) +
                (explanation.complete
                     ? ", complete: the top is self-signed and its signature verifies\n"
                     : ", not complete: the top is not a self-signed certificate whose signature verifies\n");
    }
    for (const ChainWarning& warning : explanation.warnings)
        text += "  warning at depth " + std::to_string(warning.depth) + " (" + CheckCode(warning.check) +
                "): " + warning.detail + "\n";
    return text;
}

std::string ExplainJson(const ChainExplanation& explanation) {
    auto optionalString = [](const std::optional<std::string>& value) {
        return value ? JsonString(*value) : std::string("null");
    };
    std::string json = "{\"objects\": [";
    const char* separator = "\n  ";
    for (const ExplainedObject& object : explanation.objects) {
        json += separator;
        separator = ",\n  ";
        json += "{\"file\": " + JsonString(object.file) + ", \"block\": " + std::to_string(object.block) +
                ", \"kind\": \"" + KindName(object.kind) + "\", \"subject\": " + optionalString(object.subject) +
                ", \"issuer\": " + optionalString(object.issuer);
        if (object.from_store) json += std::string(", \"origin\": \"") + kAddedFromStore + "\"";
        if (object.kind == ObjectKind::Key)
            json +=
                ", \"key_type\": " + JsonString(object.key.type) + ", \"key_bits\": " + std::to_string(object.key.bits);
        json += object.placed()
                    ? ", \"placed\": true, \"depth\": " + std::to_string(object.depth) + ", \"reason\": null}"
                    : std::string(", \"placed\": false, \"depth\": null, \"reason\": \"") + ReasonCode(*object.reason) +
                          "\"}";
    }
    json += "],\n \"chain\": {\"depth\": " + (explanation.depth >= 0 ? std::to_string(explanation.depth) : "null") +
            ", \"complete\": " + (explanation.complete ? "true" : "false") + ", \"warnings\": [";
    separator = "\n  ";
    for (const ChainWarning& warning : explanation.warnings) {
        json += separator;
        separator = ",\n  ";
        json += "{\"depth\": " + std::to_string(warning.depth) + ", \"code\": \"" + CheckCode(warning.check) +
                "\", \"detail\": " + JsonString(warning.detail) + "}";
    }
    json += "]}}\n";
    return json;
}
