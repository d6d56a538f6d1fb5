// Inner pieces shared by the crypto layer's files: the key wrapper behind KeyNumber, the owning pointers
// for OpenSSL objects (openssl_ptr.h), and the makers that turn parsed OpenSSL objects into the layer's
// records.
#pragma once

#include "crypto/kx.h"
#include "crypto/openssl_ptr.h"

#include <memory>
#include <string>
#include <vector>

// The opaque key of a KeyNumber: one reference to an OpenSSL key, or a certificate's encoded public key
// (SubjectPublicKeyInfo) decoded the first time it is compared: a bundle of thousands of certificates
// and no private key never needs one.
struct KxPkey {
    EVP_PKEY* pkey = nullptr;
    std::vector<unsigned char> spki;  // not yet decoded when not empty
    explicit KxPkey(EVP_PKEY* owned) : pkey(owned) {}
    explicit KxPkey(std::vector<unsigned char> encoded) : spki(std::move(encoded)) {}
    ~KxPkey() { EVP_PKEY_free(pkey); }
    KxPkey(const KxPkey&) = delete;
    KxPkey& operator=(const KxPkey&) = delete;
};

// The opaque name of a NameMatch: its own copy of the name, and the hash of its canonical form.
struct KxName {
    X509_NAME* name = nullptr;
    std::size_t hash = 0;
    explicit KxName(X509_NAME* owned);
    ~KxName() { X509_NAME_free(name); }
    KxName(const KxName&) = delete;
    KxName& operator=(const KxName&) = delete;
};

namespace kx {

// A key number holding `key` (the number owns the reference it is given).
KeyNumber number_of(PkeyPtr key);
// A key number holding an encoded SubjectPublicKeyInfo, decoded when first needed.
KeyNumber number_of_spki(const unsigned char* der, std::size_t len);
// The key behind a number (borrowed), or null.
EVP_PKEY* pkey_of(const KeyNumber& number);

// KEY_RSA_PRV, KEY_DSA_PRV, KEY_EC_PRV or KEY_OTHER_PRV.
int key_type_of(const EVP_PKEY* key);
std::unique_ptr<Key> make_key(PkeyPtr key);

// Records from parsed objects; `der`/`len` is the object's own encoding as it was read.
std::unique_ptr<Cert> make_cert(const X509* x, const unsigned char* der, std::size_t len);
std::unique_ptr<Cert> make_req(const X509_REQ* r, const unsigned char* der, std::size_t len);
std::unique_ptr<CRL> make_crl(const X509_CRL* c, const unsigned char* der, std::size_t len);

// A NameMatch holding a copy of `name` (empty when it cannot be copied).
NameMatch name_match_of(const X509_NAME* name);

// The one-line text of a distinguished name (see dn_text.cpp for the exact form).
std::string dn_text(const X509_NAME* name);

// Conversions between UTF-8 and UTF-16 text.
std::u16string utf8_to_u16(const std::string& s);
std::string u16_to_utf8(const std::u16string& s);

}  // namespace kx
