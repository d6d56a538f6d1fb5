// Destinations: the importers a converted file is meant for, each with what to write for it (the
// PKCS#12 key-bag and certificate-safe ciphers, the MAC, iteration counts, the PKCS#8 and PEM-key
// ciphers) and what its importer opens. Writing for a target, the help text and the verdict on a file
// already held all read this one table.
#pragma once

#include "crypto/kx_protection.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What a target's importer opens. Encryptions are "scheme/cipher" as the protection facts name them
// ("pbes2/aes-256-cbc", "pkcs12-pbe/des-ede3-cbc", "pem/aes-256-cbc"); anything not listed is refused.
struct DestinationAccepts {
    std::vector<std::string> keyBags;     // a PKCS#12 shrouded key bag's encryption
    std::vector<std::string> safes;       // an encrypted PKCS#12 safe's (the certificates')
    std::vector<std::string> keyFiles;    // an encrypted PKCS#8 or traditional PEM key file's
    std::vector<std::string> kdfDigests;  // PBKDF2's PRF digest under PBES2; "scrypt" for scrypt
    std::vector<std::string> macDigests;  // of the PKCS#12 MAC
    std::uint64_t maxIterations = 0;      // of any one key derivation; 0: no limit known
    bool crlBags = true;                  // a PKCS#12 holding CRL bags opens
    std::string who;                      // a refusal's prefix: "macOS 12–14"
    // Whole reasons that replace "<who>: <what>" for some refusals (keyed by the <what>), where the
    // importer that refuses is not the one `who` names or the remedy is worth saying.
    std::vector<std::pair<std::string, std::string>> reasons;
};

struct Destination {
    std::string name;       // as --for takes it
    std::string covers;     // the platforms and versions the row is for
    std::string source;     // the public sources it rests on
    int keyCipher;          // PKCS#12 key bag: a KX_* cipher identifier (crypto/kx.h)
    int certCipher;         // PKCS#12 certificate safe; KX_CIPHER_NONE: unencrypted
    std::string macDigest;  // "sha1" or "sha256"
    int macIterations;
    int pbeIterations;  // of the key bag, the certificate safe and a PKCS#8 key
    int p8Cipher;       // PKCS#8
    int pemCipher;      // PrivateKey (traditional PEM)
    DestinationAccepts accepts;
    // A PKCS#12 trust store for this importer: the certificates only, each marked trusted as it asks.
    bool trustStore = false;
};

// The table, `modern` first (the command line's default).
const std::vector<Destination>& Destinations();
// The row of that name (any case), or null.
const Destination* FindDestination(const std::string& name);
// "modern | windows | ...", for a usage error.
std::string DestinationNames();
// The table as text for --help and the manual page: target, what it covers, key/certificates/MAC,
// iterations; one line per row under a heading.
std::string DestinationHelpTable();

// What a PKCS#12 written for the target states in the clear: its MAC, a certificate safe (encrypted,
// or plain with one certificate bag) and a plain safe with the shrouded key. A PKCS#8 or PEM key
// written for it states CipherPbe(p8Cipher, pbeIterations) or CipherPbe(pemCipher, 1, true).
KxProtection DestinationProtection(const Destination& destination);
// The encryption a cipher identifier stands for, as the protection facts name it: for PKCS#12 and
// PKCS#8 writes, and (`pem`) for a traditional PEM key, whose scheme is "pem" with one MD5 round.
KxPbe CipherPbe(int cipher, std::uint64_t iterations, bool pem = false);

struct Verdict {
    bool takes = true;
    std::string reason;  // why not: "macOS 12–14: SHA-256 MAC"; empty when it takes the file
};
// Whether the target's importer opens a file of that protection; the first thing it refuses, in file
// order (the MAC, then each safe and bag, then a key file's encryption), gives the reason. A file
// without protection facts is taken.
Verdict JudgeFor(const Destination& destination, const KxProtection& protection);
