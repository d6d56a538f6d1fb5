// Makers of hostile input files: encryption that asks for absurd work, broken and deeply nested DER,
// bad PEM armour, bundles of 100,000 certificates, and files that are not regular files at all.
// Each is made cheaply, without running the work it asks for.
#pragma once

#include "tests/support/fixtures.h"

#include <filesystem>
#include <optional>
#include <string>

namespace hostile {

using qfix::Bytes;

// Far beyond any real file, and far beyond what could run in a test's lifetime.
constexpr long kHugeIterations = 2'000'000'000;

// An ASN.1 INTEGER value for an iteration count, given in decimal so that counts beyond 64 bits fit.
using Count = std::string;

// PKCS#12 files whose every structure is sound except for one iteration count. `pass` protects the
// parts that are encrypted; counts other than the crafted one are 1, and the MAC is correct (when it
// is not the crafted part), so a reader has no excuse to stop before reaching the crafted count.
Bytes p12_with_mac_iterations(EVP_PKEY* key, X509* cert, const Count& iterations);
// `mac_pass`: the MAC's pass phrase when it is not `pass`.
Bytes p12_with_key_bag_iterations(EVP_PKEY* key, X509* cert, const std::string& pass, const Count& iterations,
                                  int key_bags = 1, const std::optional<std::string>& mac_pass = std::nullopt);
Bytes p12_with_cert_safe_iterations(X509* cert, const std::string& pass, const Count& iterations);

// Encrypted PKCS#8 (DER) whose encryption asks for the given work.
Bytes p8_pbes1_with_iterations(EVP_PKEY* key, const std::string& pass, const Count& iterations);
Bytes p8_pbes2_with_iterations(EVP_PKEY* key, const std::string& pass, const Count& iterations);
// PBES2 with scrypt: cost N, block size r, parallelism p.
Bytes p8_scrypt(EVP_PKEY* key, const std::string& pass, uint64_t n, uint64_t r, uint64_t p);

// PEM armour around any bytes (base64, 64 columns).
Bytes pem_armour(const std::string& label, const Bytes& body);

// `depth` SEQUENCEs, each holding the next; definite lengths, or indefinite ones closed properly.
Bytes nested_sequences(int depth, bool indefinite);
// A SEQUENCE header claiming `claimed` content bytes, followed by `present` bytes of content.
Bytes sequence_claiming(uint64_t claimed, size_t present);
// A copy with the length of the outermost element raised by `extra` (re-encoded in the long form).
Bytes with_outer_length_raised(const Bytes& der, size_t extra);

// Bundles of `count` copies of one certificate, built without re-encoding it `count` times; the PKCS#7
// may use indefinite lengths (BER) for every structure around the certificates.
Bytes p7_with_copies(X509* cert, int count, bool indefinite = false);
Bytes p12_with_copies(X509* cert, int count);
// `count` distinct certificates (not validly signed) forming one chain c0 ← c1 ← ... (c[i] is issued
// by c[i+1]), listed as c0, c[count-1], c[count-2], ..., c1: the order that makes a naive search for
// each certificate's issuer scan the whole rest of the list every time.
Bytes p7_with_long_chain_reversed(int count);

// Special files.
void make_fifo(const std::filesystem::path& path);
void make_socket(const std::filesystem::path& path);
// A sparse file of `size` bytes (nothing is written; reading it whole would cost `size` bytes).
void make_sparse(const std::filesystem::path& path, uint64_t size);

}  // namespace hostile
