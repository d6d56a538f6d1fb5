#include "cli/check_report.h"

#include "cli/explain_report.h"
#include "cli/skip_reason.h"
#include "doc/destinations.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

std::string Iterations(std::uint64_t n) {
    return n ? std::to_string(n) + (n == 1 ? " iteration" : " iterations") : std::string("iterations unreadable");
}

// The PKCS#12 and PKCS#5 v1 schemes by the names their object identifiers carry.
std::string OldPbeName(const KxPbe& pbe) {
    if (pbe.scheme == "pbes1")
        return "pbeWith" + Upper(pbe.kdf_digest) + "And" + (pbe.cipher == "des-cbc" ? "DES-CBC" : "RC2-CBC");
    if (pbe.cipher == "des-ede3-cbc") return "pbeWithSHA1And3-KeyTripleDES-CBC";
    if (pbe.cipher == "des-ede-cbc") return "pbeWithSHA1And2-KeyTripleDES-CBC";
    if (pbe.cipher == "rc2-cbc") return "pbeWithSHA1And128BitRC2-CBC";
    if (pbe.cipher == "rc2-40-cbc") return "pbeWithSHA1And40BitRC2-CBC";
    if (pbe.cipher == "rc4") return "pbeWithSHA1And128BitRC4";
    if (pbe.cipher == "rc4-40") return "pbeWithSHA1And40BitRC4";
    return pbe.scheme + " " + pbe.cipher;
}

// "sha256" as "SHA-256", "sha1" as "SHA-1"; other names as OpenSSL gives them.
std::string DigestLabel(const std::string& digest) {
    if (digest.rfind("sha", 0) == 0 && digest.size() > 3 && std::isdigit(static_cast<unsigned char>(digest[3])) &&
        digest.find('-') == std::string::npos)
        return "SHA-" + digest.substr(3);
    return Upper(digest);
}

std::string MacText(const KxMac& mac, KxMacCheck check) {
    std::string text = DigestLabel(mac.digest) + ", " + Iterations(mac.iterations);
    if (check == KxMacCheck::Verified) text += " (verified)";
    if (check == KxMacCheck::Wrong) text += " (does not verify with this pass phrase)";
    return text;
}

const char* KindName(KxBagKind kind) {
    switch (kind) {
    case KxBagKind::Key: return "key";
    case KxBagKind::Cert: return "cert";
    case KxBagKind::Crl: return "crl";
    case KxBagKind::Other: break;
    }
    return "other";
}

// Verdicts are given for what a reader took or recognised as an input a destination's importer reads.
bool Judged(const FileCheck& file) { return !file.kind.empty() && file.kind != "java-keystore"; }

// Each importer's verdict once: a trust store row has its key store row's importer.
std::vector<std::pair<const Destination*, Verdict>> Verdicts(const KxProtection& protection) {
    std::vector<std::pair<const Destination*, Verdict>> verdicts;
    for (const Destination& d : Destinations())
        if (!d.trustStore) verdicts.emplace_back(&d, JudgeFor(d, protection));
    return verdicts;
}

std::string FailureText(const KxReadError& failure) {
    return failure.detail.empty() || failure.kind != KxReadFailure::WrongPassPhrase ? SkipReason(failure)
                                                                                    : failure.detail;
}

const KxBagContent* ContentOf(const FileCheck& file, std::size_t safe, std::size_t bag) {
    const auto& contents = file.p12.contents;
    return safe < contents.size() && bag < contents[safe].size() ? &contents[safe][bag] : nullptr;
}

bool Unopened(const FileCheck& file) {
    const auto& safes = file.p12.protection.safes;
    return std::any_of(safes.begin(), safes.end(), [](const KxSafeFacts& safe) { return !safe.bags; });
}

// ---- text --------------------------------------------------------------------------------------

std::string BagLine(const FileCheck& file, std::size_t s, std::size_t b, const KxBagFacts& bag) {
    std::string line = "    bag " + std::to_string(b + 1) + ": " + KindName(bag.kind);
    line += bag.encryption ? ", " + PbeText(*bag.encryption) : std::string();
    const KxBagContent* content = ContentOf(file, s, b);
    if (content && !content->subject.empty()) line += ", " + content->subject;
    if (bag.friendly_name) line += ", friendly name \"" + *bag.friendly_name + "\"";
    if (bag.local_key_id) line += ", local key id " + *bag.local_key_id;
    if (content && content->certificate)
        line += "; belongs to the certificate in safe " + std::to_string(content->certificate->safe + 1) + " bag " +
                std::to_string(content->certificate->bag + 1) + " (by " + content->matched_by + ")";
    else if (bag.kind == KxBagKind::Key)
        line += Unopened(file) ? "; its certificate is not among the bags listed" : "; no certificate found for it";
    return line + "\n";
}

std::string FileText(const FileCheck& file) {
    if (file.kind.empty()) return file.path + ": not read (" + SkipReason(file.refusal) + ")\n";
    std::string text = file.path + ": " + file.kind + "\n";
    const KxProtection& p = file.Protection();
    if (file.kind == "pkcs12") text += "  MAC: " + (p.mac ? MacText(*p.mac, file.p12.mac) : "none") + "\n";
    for (std::size_t s = 0; s < p.safes.size(); ++s) {
        const KxSafeFacts& safe = p.safes[s];
        text += "  safe " + std::to_string(s + 1) + ": " +
                (safe.encryption ? "encrypted, " + PbeText(*safe.encryption) : "not encrypted");
        if (!safe.bags) {
            text += file.passGiven ? " (not opened)\n" : " (not opened: no pass phrase given)\n";
            continue;
        }
        text += "\n";
        for (std::size_t b = 0; b < safe.bags->size(); ++b) text += BagLine(file, s, b, (*safe.bags)[b]);
    }
    if (p.key) text += "  key: encrypted, " + PbeText(*p.key) + "\n";
    if (file.failure.kind != KxReadFailure::None) text += "  not opened: " + FailureText(file.failure) + "\n";
    if (!Judged(file)) return text;
    std::string takes;
    for (const auto& [d, v] : Verdicts(p)) {
        if (v.takes)
            takes += (takes.empty() ? "" : ", ") + d->name;
        else
            text += "  refused by " + d->name + ": " + v.reason + "\n";
    }
    if (!takes.empty()) text += "  taken by " + takes + "\n";
    return text;
}

// ---- JSON --------------------------------------------------------------------------------------

std::string OrNull(const std::optional<std::string>& s) { return s ? JsonString(*s) : std::string("null"); }

std::string PbeJson(const std::optional<KxPbe>& pbe) {
    if (!pbe) return "null";
    return "{\"scheme\": " + JsonString(pbe->scheme) + ", \"cipher\": " + JsonString(pbe->cipher) +
           ", \"kdf_digest\": " + JsonString(pbe->kdf_digest) + ", \"iterations\": " + std::to_string(pbe->iterations) +
           ", \"text\": " + JsonString(PbeText(*pbe)) + "}";
}

std::string BagJson(const FileCheck& file, std::size_t s, std::size_t b, const KxBagFacts& bag) {
    std::string json =
        "{\"type\": \"" + std::string(KindName(bag.kind)) + "\", \"encryption\": " + PbeJson(bag.encryption) +
        ", \"friendly_name\": " + OrNull(bag.friendly_name) + ", \"local_key_id\": " + OrNull(bag.local_key_id);
    const KxBagContent* content = ContentOf(file, s, b);
    if (content && !content->subject.empty()) json += ", \"subject\": " + JsonString(content->subject);
    if (bag.kind == KxBagKind::Key) {
        json += ", \"certificate\": ";
        json += content && content->certificate ? "{\"safe\": " + std::to_string(content->certificate->safe) +
                                                      ", \"bag\": " + std::to_string(content->certificate->bag) +
                                                      ", \"by\": " + JsonString(content->matched_by) + "}"
                                                : std::string("null");
    }
    return json + "}";
}

std::string FileJson(const FileCheck& file) {
    const KxProtection& p = file.Protection();
    std::string json = "{\"path\": " + JsonString(file.path) +
                       ", \"kind\": " + (file.kind.empty() ? std::string("null") : JsonString(file.kind));
    json += ", \"refusal\": " + (file.kind.empty() ? JsonString(SkipReason(file.refusal)) : std::string("null"));
    json += ", \"mac\": ";
    json += p.mac ? "{\"digest\": " + JsonString(p.mac->digest) +
                        ", \"iterations\": " + std::to_string(p.mac->iterations) + ", \"verified\": " +
                        (file.p12.mac == KxMacCheck::NotChecked ? "null"
                         : file.p12.mac == KxMacCheck::Verified ? "true"
                                                                : "false") +
                        "}"
                  : std::string("null");
    json += ", \"safes\": [";
    for (std::size_t s = 0; s < p.safes.size(); ++s) {
        const KxSafeFacts& safe = p.safes[s];
        json += std::string(s ? ", " : "") + "{\"encryption\": " + PbeJson(safe.encryption) + ", \"bags\": ";
        if (!safe.bags) {
            json += "null}";
            continue;
        }
        json += "[";
        for (std::size_t b = 0; b < safe.bags->size(); ++b)
            json += std::string(b ? ", " : "") + BagJson(file, s, b, (*safe.bags)[b]);
        json += "]}";
    }
    json += "], \"encryption\": " + PbeJson(p.key);
    json += ", \"failure\": " +
            (file.failure.kind == KxReadFailure::None ? std::string("null") : JsonString(FailureText(file.failure)));
    json += ", \"verdicts\": {";
    if (Judged(file)) {
        bool first = true;
        for (const auto& [d, v] : Verdicts(p)) {
            json += std::string(first ? "" : ", ") + JsonString(d->name) +
                    ": {\"takes\": " + (v.takes ? "true" : "false") +
                    ", \"reason\": " + (v.takes ? std::string("null") : JsonString(v.reason)) + "}";
            first = false;
        }
    }
    return json + "}}";
}

}  // namespace

std::string PbeText(const KxPbe& pbe) {
    if (pbe.scheme == "pbes2") {
        const std::string kdf = pbe.kdf_digest == "scrypt" ? "scrypt" : "PBKDF2-HMAC-" + Upper(pbe.kdf_digest);
        return "PBES2 " + Upper(pbe.cipher) + ", " + kdf + ", " + Iterations(pbe.iterations);
    }
    if (pbe.scheme == "pem") return "PEM encryption " + Upper(pbe.cipher) + " (one MD5 round)";
    if (pbe.scheme == "pkcs12-pbe" || pbe.scheme == "pbes1") return OldPbeName(pbe) + ", " + Iterations(pbe.iterations);
    return pbe.scheme;  // an algorithm of no kind known here: its identifier
}

std::string CheckText(const std::vector<FileCheck>& files) {
    std::string text;
    for (const FileCheck& file : files) text += FileText(file);
    return text;
}

std::string CheckJson(const std::vector<FileCheck>& files) {
    std::string json = "{\"files\": [";
    for (std::size_t i = 0; i < files.size(); ++i) json += std::string(i ? ",\n  " : "") + FileJson(files[i]);
    return json + "]}\n";
}
