// A small chain with its CRL and the leaf's key written as files in a fresh directory, for runs of
// the command line: root, intermediate and leaf certificate (PEM), the intermediate's CRL (DER), the
// leaf's RSA key (PKCS#8 PEM), an unrelated self-signed certificate and a file no reader accepts.
#pragma once

#include "tests/support/fixtures.h"

#include <filesystem>
#include <string>

struct SampleSet {
    SampleSet();

    qfix::TempDir dir;
    qfix::Chain chain;  // root first
    std::filesystem::path root, intermediate, leaf, crl, key, unrelated, junk;

    std::string p(const std::filesystem::path& path) const { return path.string(); }
};
