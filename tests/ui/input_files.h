// Input files for the window tests, made on the spot: a two-level chain, the leaf's key, a CRL of
// the root, a lone certificate request and a file that no reader accepts.
#pragma once

#include <string>

#include "tests/support/fixtures.h"

// The key as an encrypted PKCS#8 PEM file (PBES2 with AES-256), made with nothing but the default
// provider.
void WriteEncryptedPkcs8(const std::string& path, EVP_PKEY* key, const std::string& pass);

struct InputFiles {
    InputFiles();

    qfix::TempDir dir;
    qfix::Chain chain;
    std::string root;     // PEM certificate, depth 0
    std::string leaf;     // PEM certificate issued by the root, depth 1
    std::string leafKey;  // PEM PKCS#8 key of the leaf
    std::string crl;      // PEM CRL issued by the root
    std::string request;  // PEM certificate request
    std::string garbage;  // not a public-key file of any kind
};
