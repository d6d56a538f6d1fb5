// What the writers share: a memory BIO to encode into, the pass phrase for an encrypted output, and
// the ciphers behind the layer's cipher identifiers.
#pragma once

#include "crypto/kx_internal.h"

namespace kx {

BioPtr memory_bio();

// Asks once for a new pass phrase for `path`; none or empty records NoPassPhrase.
std::optional<SecretString> output_pass(const char* path);

// Records `kind` and returns 0 (the writers' failure value).
int write_failed(KxWriteFailure kind);

// The PBE scheme (OpenSSL NID) behind a PKCS#8 or PKCS#12 key-bag identifier, or NID_undef. KX_AES256
// gives NID_aes_256_cbc, which stands for PBES2 with AES-256-CBC and PBKDF2-HMAC-SHA256.
int p5_scheme_nid(int id);
int p12_scheme_nid(int id);
// True when OpenSSL can run that PBE scheme here (cipher and digest, legacy provider if needed).
bool pbe_scheme_available(int nid);

// The key encrypted with a scheme of p5_scheme_nid / p12_scheme_nid and a fresh salt; null on failure.
X509SigPtr encrypt_p8(PKCS8_PRIV_KEY_INFO* info, int scheme, const SecretString& pass, int iterations);

// A PKCS#12 certificate or CRL bag (bag_nid NID_certBag / NID_crlBag, value_nid NID_x509Certificate /
// NID_x509Crl) holding `der` exactly as given, without parsing it; null on failure.
PKCS12_SAFEBAG* der_safebag(const std::vector<unsigned char>& der, int value_nid, int bag_nid);

}  // namespace kx
