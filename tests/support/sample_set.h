// The sample chain most file tests start from, written as files: root (PEM), intermediate (DER) and
// leaf (PEM, with an RSA key) certificates, the intermediate's CRL (DER), the leaf's key (traditional
// PEM), an unrelated self-signed certificate (DER, EC key) and a file no reader accepts.
#pragma once

#include "tests/support/fixtures.h"

#include <filesystem>
#include <string>

namespace qfix {

struct SampleFiles {
    explicit SampleFiles(const TempDir& dir);

    Chain chain;  // root 0, intermediate 1, leaf 2
    CrlPtr crlList;
    Pkey unrelatedKey;
    CertPtr unrelatedCert;
    std::filesystem::path root, intermediate, leaf, crl, key, unrelated, junk;
};

inline const std::string kRootDn = "O=Quillon Tests, CN=Level 0";
inline const std::string kInterDn = "O=Quillon Tests, CN=Level 1";
inline const std::string kLeafDn = "O=Quillon Tests, CN=Level 2";

namespace detail {
struct OwnDir {
    TempDir dir;
};
}  // namespace detail

// The same files in a directory of their own, removed with the set.
struct SampleSet : detail::OwnDir, SampleFiles {
    SampleSet() : SampleFiles(dir) {}
    static std::string p(const std::filesystem::path& path) { return path.string(); }
};

}  // namespace qfix
