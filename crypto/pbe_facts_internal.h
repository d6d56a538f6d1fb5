// The facts of one password-based encryption (or of a PKCS#12 MAC) as its algorithm identifier states
// them: scheme, cipher, key derivation digest and iteration count. Only decoding, never a derivation.
#pragma once

#include "crypto/kx_protection.h"
#include "crypto/openssl_includes.h"

namespace kx {

// The encryption an AlgorithmIdentifier names: PBES2 (PBKDF2 or scrypt), a PKCS#12 PBE or a PKCS#5
// v1 PBE. An algorithm of none of these kinds gives its dotted object identifier as the scheme; a part
// that cannot be decoded is left empty (iterations 0).
KxPbe pbe_facts(const X509_ALGOR* alg);

// An iteration count as DER holds it; `absent` when the field is missing, 0 when it is not a count.
std::uint64_t iteration_count(const ASN1_INTEGER* count, std::uint64_t absent);

// OpenSSL's lower-case long name of an algorithm ("aes-256-cbc", "sha256"); the dotted identifier
// for one OpenSSL does not know.
std::string algorithm_name(const ASN1_OBJECT* obj);

}  // namespace kx
