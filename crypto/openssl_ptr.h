// Owning pointers for OpenSSL objects, one alias per type, for the crypto layer, its tests and the
// benchmarks.
#pragma once

#include "crypto/openssl_includes.h"

#include <memory>

namespace kx {

template <class T, void (*Free)(T*)>
struct Freer {
    void operator()(T* p) const { Free(p); }
};
using X509Ptr = std::unique_ptr<X509, Freer<X509, X509_free>>;
using X509CrlPtr = std::unique_ptr<X509_CRL, Freer<X509_CRL, X509_CRL_free>>;
using X509ReqPtr = std::unique_ptr<X509_REQ, Freer<X509_REQ, X509_REQ_free>>;
using X509NamePtr = std::unique_ptr<X509_NAME, Freer<X509_NAME, X509_NAME_free>>;
using X509RevokedPtr = std::unique_ptr<X509_REVOKED, Freer<X509_REVOKED, X509_REVOKED_free>>;
using X509SigPtr = std::unique_ptr<X509_SIG, Freer<X509_SIG, X509_SIG_free>>;
using PkeyPtr = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;
using P8InfoPtr = std::unique_ptr<PKCS8_PRIV_KEY_INFO, Freer<PKCS8_PRIV_KEY_INFO, PKCS8_PRIV_KEY_INFO_free>>;
using Pkcs7Ptr = std::unique_ptr<PKCS7, Freer<PKCS7, PKCS7_free>>;
using Pkcs12Ptr = std::unique_ptr<PKCS12, Freer<PKCS12, PKCS12_free>>;
using BioPtr = std::unique_ptr<BIO, Freer<BIO, BIO_free_all>>;
using CipherPtr = std::unique_ptr<EVP_CIPHER, Freer<EVP_CIPHER, EVP_CIPHER_free>>;

// A PKCS#12 file's safes and a safe's bags: stacks that free what they hold.
struct Pkcs7StackFree {
    void operator()(STACK_OF(PKCS7) * s) const { sk_PKCS7_pop_free(s, PKCS7_free); }
};
using Pkcs7StackPtr = std::unique_ptr<STACK_OF(PKCS7), Pkcs7StackFree>;
struct SafeBagStackFree {
    void operator()(STACK_OF(PKCS12_SAFEBAG) * s) const { sk_PKCS12_SAFEBAG_pop_free(s, PKCS12_SAFEBAG_free); }
};
using SafeBagStackPtr = std::unique_ptr<STACK_OF(PKCS12_SAFEBAG), SafeBagStackFree>;

}  // namespace kx
