// What the writers share: a memory BIO to encode into, the outcome of a write under way, the pass
// phrase and iteration counts of an encrypted output, and the algorithms behind the layer's cipher
// identifiers and digest names.
#pragma once

#include "crypto/kx_internal.h"

namespace kx {

BioPtr memory_bio();

// One write from its start: an encoding that fails after OpenSSL was refused memory since then is
// reported as OutOfMemory.
class WriteCall {
public:
    WriteCall();
    KxWriteOutcome failed(KxWriteFailure kind) const;

private:
    unsigned long mark_;
};

// Asks the settings' source once for a new pass phrase for the output; none when it gives none or an
// empty one.
std::optional<SecretString> output_pass(const KxWriteSettings& settings);

// A count of the settings (`requested`) when it lies in 1..KX_MAX_PBE_ITERATIONS; otherwise the
// default of the key cipher `id`.
int pbe_iterations(int requested, int id);

// The PBE scheme (OpenSSL NID) behind a PKCS#8 or PKCS#12 key-bag identifier, or NID_undef. KX_AES256
// gives NID_aes_256_cbc, which stands for PBES2 with AES-256-CBC and PBKDF2.
int p5_scheme_nid(int id);
int p12_scheme_nid(int id);
// True when OpenSSL can run that PBE scheme here (cipher and digest, legacy provider if needed).
bool pbe_scheme_available(int nid);
// The PBKDF2 PRF (NID_hmacWith...) of a digest name ("sha256", "sha1"); NID_hmacWithSHA256 for an
// empty name; NID_undef for a digest that is no PRF or cannot be had here.
int prf_nid(const std::string& digest);
// The digest of that name when it can be had here, or null.
const EVP_MD* digest_named(const std::string& name);

// The key encrypted with a scheme of p5_scheme_nid / p12_scheme_nid and a fresh salt, for PBES2 with
// the PRF `prf` (of prf_nid); null on failure.
X509SigPtr encrypt_p8(PKCS8_PRIV_KEY_INFO* info, int scheme, int prf, const SecretString& pass, int iterations);

// A PKCS#12 certificate or CRL bag (bag_nid NID_certBag / NID_crlBag, value_nid NID_x509Certificate /
// NID_x509Crl) holding `der` exactly as given, without parsing it; null on failure.
PKCS12_SAFEBAG* der_safebag(const std::vector<unsigned char>& der, int value_nid, int bag_nid);

}  // namespace kx
