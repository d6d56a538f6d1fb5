// The cryptography of Java's key stores: the store's keyed SHA-1 digest, and the two ways a private-key
// entry is protected (JKS's SHA-1 keystream with its check digest; JCEKS's PBEWithMD5AndTripleDES).
// All of it is OpenSSL's SHA-1, MD5 and DES-EDE3-CBC put together as Java puts them together.
#pragma once

#include "crypto/kx.h"
#include "crypto/openssl_ptr.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kx::jks {

// Bytes derived from a pass phrase: wiped when they go away.
class SecretBytes {
public:
    SecretBytes() = default;
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;
    ~SecretBytes();
    std::vector<unsigned char> bytes;
};

// The pass phrase as Java hands a char[] to its digests: UTF-16, big-endian.
void password_utf16be(const SecretString& pass, SecretBytes& out);

// True when the 20 bytes at `digest_offset` are SHA-1 over the pass phrase (UTF-16BE), the words
// "Mighty Aphrodite" and every byte before the digest.
bool store_digest_matches(const unsigned char* data, std::size_t digest_offset, const SecretString& pass);

enum class KeyScheme { JksKeyProtector, Md5TripleDes };

// A private-key entry's protected key: its scheme and what that scheme needs, copied out of the
// EncryptedPrivateKeyInfo.
struct ProtectedKey {
    KeyScheme scheme = KeyScheme::JksKeyProtector;
    std::vector<unsigned char> salt;  // Md5TripleDes: 8 bytes
    std::uint64_t iterations = 0;     // Md5TripleDes
    std::vector<unsigned char> data;  // JksKeyProtector: salt, encrypted key, check digest; else the ciphertext
};

enum class KeyOpen {
    Ok,
    WrongPassword,
    Damaged,
    Unsupported,  // `detail`: the algorithm
    TooCostly,
};

// Reads the EncryptedPrivateKeyInfo; Ok, Damaged, Unsupported (another protection) or TooCostly.
KeyOpen parse_protected_key(const unsigned char* der, std::size_t len, ProtectedKey& out, std::string& detail);

// Decrypts the key with `pass`. Ok gives the key; WrongPassword when the check digest (JKS) or the
// padding and the PKCS#8 structure (JCEKS) say the password is not this one.
KeyOpen open_protected_key(const ProtectedKey& key, const SecretString& pass, PkeyPtr& out, std::string& detail);

}  // namespace kx::jks
