// Making the layer's records (Cert, CRL, Key) from parsed OpenSSL objects.
#include "crypto/kx_internal.h"

namespace kx {

KeyNumber number_of(PkeyPtr key) {
    KeyNumber n;
    if (key) n.pkey = std::make_shared<KxPkey>(key.release());
    return n;
}

KeyNumber number_of_spki(const unsigned char* der, std::size_t len) {
    KeyNumber n;
    n.pkey = std::make_shared<KxPkey>(std::vector<unsigned char>(der, der + len));
    return n;
}

EVP_PKEY* pkey_of(const KeyNumber& number) {
    if (!number.pkey) return nullptr;
    KxPkey& key = *number.pkey;
    if (!key.pkey && !key.spki.empty()) {
        // As X509_get_pubkey gives it: null when OpenSSL cannot decode the key.
        const unsigned char* p = key.spki.data();
        ERR_set_mark();
        key.pkey = d2i_PUBKEY(nullptr, &p, static_cast<long>(key.spki.size()));
        ERR_pop_to_mark();
        std::vector<unsigned char>().swap(key.spki);
    }
    return key.pkey;
}

int key_type_of(const EVP_PKEY* key) {
    switch (EVP_PKEY_get_base_id(key)) {
    case EVP_PKEY_RSA: return KEY_RSA_PRV;
    case EVP_PKEY_DSA: return KEY_DSA_PRV;
    case EVP_PKEY_EC: return KEY_EC_PRV;
    default: return KEY_OTHER_PRV;
    }
}

std::unique_ptr<Key> make_key(PkeyPtr key) {
    if (!key) return nullptr;
    auto k = std::make_unique<Key>();
    k->type = key_type_of(key.get());
    k->number = number_of(std::move(key));
    return k;
}

std::unique_ptr<Cert> make_cert(const X509* x, const unsigned char* der, std::size_t len) {
    auto c = std::make_unique<Cert>();
    c->issuer = dn_text(X509_get_issuer_name(x));
    c->subject = dn_text(X509_get_subject_name(x));
    c->issuer_match = name_match_of(X509_get_issuer_name(x));
    c->subject_match = name_match_of(X509_get_subject_name(x));
    c->pubkey.number = number_of(PkeyPtr(X509_get_pubkey(const_cast<X509*>(x))));
    c->der.assign(der, der + len);
    return c;
}

std::unique_ptr<Cert> make_req(const X509_REQ* r, const unsigned char* der, std::size_t len) {
    auto c = std::make_unique<Cert>();
    c->subject = dn_text(X509_REQ_get_subject_name(r));
    c->subject_match = name_match_of(X509_REQ_get_subject_name(r));
    c->pubkey.number = number_of(PkeyPtr(X509_REQ_get_pubkey(const_cast<X509_REQ*>(r))));
    c->der.assign(der, der + len);
    return c;
}

std::unique_ptr<CRL> make_crl(const X509_CRL* crl, const unsigned char* der, std::size_t len) {
    auto c = std::make_unique<CRL>();
    c->issuer = dn_text(X509_CRL_get_issuer(crl));
    c->issuer_match = name_match_of(X509_CRL_get_issuer(crl));
    c->der.assign(der, der + len);
    return c;
}

}  // namespace kx
