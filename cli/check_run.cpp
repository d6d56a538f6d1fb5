#include "cli/check_run.h"

#include "cli/check_report.h"
#include "crypto/jks_store.h"
#include "crypto/kx_protection.h"
#include "doc/input_readers.h"

#include <memory>
#include <string>

namespace {

// What a reader row reads, as --check names it.
std::string KindOfRow(const std::string& row) {
    static const std::pair<const char*, const char*> kKinds[] = {
        {"pem-blocks", "pem-bundle"}, {"pem-cert", "certificate"}, {"der-cert", "certificate"},
        {"pem-crl", "crl"},           {"der-crl", "crl"},          {"pem-req", "request"},
        {"der-req", "request"},       {"pem-p8", "pkcs8"},         {"der-p8", "pkcs8"},
        {"pem-p8enc", "pkcs8"},       {"der-p8enc", "pkcs8"},      {"pem-p7", "pkcs7"},
        {"der-p7", "pkcs7"},          {"p12", "pkcs12"},           {"java-keystore", "java-keystore"},
    };
    for (const auto& [name, kind] : kKinds)
        if (row == name) return kind;
    return "key";  // the traditional RSA, DSA and EC key rows
}

// The protection facts first, from the bytes alone: a PKCS#12 file or an encrypted key is listed from
// them and opened only with a pass phrase given. Anything else is read as a drop reads it; it asks
// for no pass phrase.
FileCheck CheckOne(const std::string& path, const PassProvider* passSource) {
    FileCheck file;
    file.path = path;
    KxInput probe(path.c_str());
    const KxProtection protection = KX_input_protection(probe);
    std::optional<SecretString> pass;
    if (passSource && !protection.empty()) {
        pass = (*passSource)(PassRequest{PassPurpose::OpenInput, path, false, {}});
        file.passGiven = pass.has_value();
    }
    if (protection.mac || !protection.safes.empty()) {
        file.kind = "pkcs12";
        file.p12 = KX_p12_contents(probe, pass ? &*pass : nullptr);
        file.failure = file.p12.failure;
        return file;
    }
    if (protection.key && !pass) {
        file.kind = PEM_count_blocks(probe) > 1 ? "pem-bundle" : protection.key->scheme == "pem" ? "pem-key" : "pkcs8";
        file.protection = protection;
        return file;
    }
    // The pass phrase already asked for is handed on, so the source is asked once.
    auto given = std::make_shared<std::optional<SecretString>>(std::move(pass));
    const PassProvider once = [given](const PassRequest& request) -> std::optional<SecretString> {
        if (request.retry || !*given) return std::nullopt;
        return std::move(*given);
    };
    const ReadResult read = ReadInputFile(path.c_str(), once);
    file.protection = protection;
    if (read.accepted()) {
        file.kind = protection.key && protection.key->scheme == "pem" && read.reader != "pem-blocks"
                        ? "pem-key"
                        : KindOfRow(read.reader);
        return file;
    }
    if (protection.key) {
        // Recognised by its encryption; the pass phrase given does not open it.
        file.kind = protection.key->scheme == "pem" ? "pem-key" : "pkcs8";
        file.failure = read.refusal;
        return file;
    }
    std::optional<std::vector<unsigned char>> bytes = ASN1_read_der(probe);
    if (bytes && KX_is_java_keystore(*bytes)) {
        file.kind = "java-keystore";
        return file;
    }
    file.refusal = read.refusal;
    return file;
}

}  // namespace

int RunCheck(const CliSettings& settings, const PassProvider& passSource, std::ostream& out) {
    // Without --passin nothing is asked: the facts a check gives need no pass phrase, and no key is
    // derived. (The settings' pass source was moved into the provider; the optional still says whether
    // one was given.)
    const PassProvider* source = settings.passin.has_value() ? &passSource : nullptr;
    std::vector<FileCheck> files;
    bool allRead = true;
    for (const std::string& path : settings.inputs) {
        files.push_back(CheckOne(path, source));
        allRead = allRead && files.back().ok();
    }
    out << (settings.check == ExplainMode::Json ? CheckJson(files) : CheckText(files)) << std::flush;
    return allRead ? 0 : 1;
}
