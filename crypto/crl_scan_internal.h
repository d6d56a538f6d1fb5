// Checking a CRL and taking its issuer without holding OpenSSL's decoded form of its revoked entries.
#pragma once

#include "crypto/kx.h"

#include <cstddef>
#include <optional>
#include <string>

namespace kx {

struct CrlScan {
    std::string issuer;      // DN text
    NameMatch issuer_match;  // the issuer, for comparing it
    std::size_t length = 0;  // of the CRL's own encoding at the start of the input
};

// The CRL at the start of `data`, or none when d2i_X509_CRL would refuse it.
std::optional<CrlScan> scan_crl(const unsigned char* data, std::size_t len);

}  // namespace kx
