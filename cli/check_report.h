// What --check found in one input, and the two ways it is told: a few lines per file for people, one
// JSON document for scripts. The verdicts are worked out here, from the destination table.
#pragma once

#include "crypto/kx.h"
#include "crypto/p12_contents.h"

#include <string>
#include <vector>

struct FileCheck {
    std::string path;
    // "certificate", "crl", "request", "key", "pkcs8", "pem-key", "pkcs7", "pkcs12", "pem-bundle",
    // "java-keystore"; empty when no reader takes the file (then `refusal` says why).
    std::string kind;
    KxReadError refusal;
    KxP12Contents p12;        // a PKCS#12 file's protection and contents
    KxProtection protection;  // an encrypted PKCS#8 or PEM key's (a PKCS#12's is in `p12`)
    bool passGiven = false;
    KxReadError failure;  // the pass phrase given did not open all of it

    // Read (with the pass phrase given, if any) or at least recognised.
    bool ok() const { return !kind.empty() && failure.kind == KxReadFailure::None; }
    const KxProtection& Protection() const { return kind == "pkcs12" ? p12.protection : protection; }
};

std::string CheckText(const std::vector<FileCheck>& files);
std::string CheckJson(const std::vector<FileCheck>& files);

// An encryption as users know it: "PBES2 AES-256-CBC, PBKDF2-HMAC-SHA256, 600000 iterations",
// "pbeWithSHA1And40BitRC2-CBC, 2048 iterations".
std::string PbeText(const KxPbe& pbe);
