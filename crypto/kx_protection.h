// What protects an encrypted input, as its structure says it in the clear: the schemes, ciphers, key
// derivation digests and iteration counts of a PKCS#12 file (its MAC, each safe and each bag) or of an
// encrypted PKCS#8 or PEM key. Reading these facts needs no pass phrase and runs no key derivation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One password-based encryption. A traditional PEM key's scheme is "pem"; an algorithm of none of the
// kinds named below gives its dotted identifier as the scheme. Iterations 0: not readable.
struct KxPbe {
    std::string scheme;      // "pbes2", "pkcs12-pbe" or "pbes1"
    std::string cipher;      // OpenSSL's lower-case name: "aes-256-cbc", "des-ede3-cbc", "rc2-40-cbc" ...
    std::string kdf_digest;  // "sha256", "sha1", "md5" ...; "scrypt" for PBES2 with scrypt
    std::uint64_t iterations = 0;
};

// A PKCS#12 file's MAC.
struct KxMac {
    std::string digest;  // "sha1", "sha256" ...
    std::uint64_t iterations = 0;
};

enum class KxBagKind { Key, Cert, Crl, Other };

struct KxBagFacts {
    KxBagKind kind = KxBagKind::Other;
    std::optional<KxPbe> encryption;           // a shrouded key bag's own encryption
    std::optional<std::string> friendly_name;  // UTF-8
    std::optional<std::string> local_key_id;   // lower-case hex
};

struct KxSafeFacts {
    std::optional<KxPbe> encryption;              // an encrypted safe
    std::optional<std::vector<KxBagFacts>> bags;  // none: an encrypted safe not opened
};

struct KxProtection {
    std::optional<KxMac> mac;        // PKCS#12
    std::vector<KxSafeFacts> safes;  // PKCS#12, in file order
    std::optional<KxPbe> key;        // an encrypted PKCS#8 or PEM key

    bool empty() const { return !mac && safes.empty() && !key; }
};

// The protection facts of a PKCS#12 file, an encrypted PKCS#8 key (DER or PEM) or an encrypted traditional
// PEM key, from its bytes alone; empty for anything else, and for a file too damaged to tell.
KxProtection KX_read_protection(const std::vector<unsigned char>& bytes);
