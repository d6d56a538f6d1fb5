// Reading a certificate from its bytes without OpenSSL's decoded form of the whole of it.
#pragma once

#include "crypto/der_walk_internal.h"
#include "crypto/kx.h"

#include <memory>

namespace kx {

// The record of a certificate of the common shape, made from its bytes: its names decoded by OpenSSL,
// its public key kept encoded until a comparison needs it, every other part checked to be one that
// d2i_X509 takes. Null when the certificate is of any other shape (the caller then decodes it whole).
std::unique_ptr<Cert> scan_plain_cert(const Tlv& cert);

// A certificate's record from the first DER element of `data`, of whatever shape; only the bytes the
// certificate takes are kept. Null when they hold no certificate.
std::unique_ptr<Cert> parse_cert(const unsigned char* data, std::size_t len);

}  // namespace kx
