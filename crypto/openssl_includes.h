// OpenSSL's headers for code that also includes kx.h. Both name a type PKCS7 (OpenSSL's structure and
// the layer's record); OpenSSL's is seen here as OsslPkcs7. Include this before any OpenSSL header.
#pragma once

#if defined(OPENSSL_PKCS7_H) && !defined(QUILLON_OSSL_PKCS7_RENAMED)
#error "include crypto/openssl_includes.h before any OpenSSL header"
#endif
#define QUILLON_OSSL_PKCS7_RENAMED 1

#define PKCS7 OsslPkcs7
#include <openssl/asn1.h>
#include <openssl/asn1t.h>
#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/decoder.h>
#include <openssl/encoder.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/pkcs7.h>
#include <openssl/provider.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#undef PKCS7

// The calls OpenSSL declares through macros that pasted the renamed type into their names; these are
// the same C functions under their real names.
extern "C" {
OsslPkcs7* PKCS7_new(void);
void PKCS7_free(OsslPkcs7* p7);
OsslPkcs7* d2i_PKCS7(OsslPkcs7** out, const unsigned char** in, long len);
int i2d_PKCS7(const OsslPkcs7* p7, unsigned char** out);
OsslPkcs7* PEM_read_bio_PKCS7(BIO* bio, OsslPkcs7** out, pem_password_cb* cb, void* u);
int PEM_write_bio_PKCS7(BIO* bio, const OsslPkcs7* p7);
}

// Stacks of PKCS#7 structures as PKCS#12 calls return them.
inline int ossl_p7_count(const struct stack_st_PKCS7* s) {
    return OPENSSL_sk_num(reinterpret_cast<const OPENSSL_STACK*>(s));
}
inline OsslPkcs7* ossl_p7_at(const struct stack_st_PKCS7* s, int i) {
    return static_cast<OsslPkcs7*>(OPENSSL_sk_value(reinterpret_cast<const OPENSSL_STACK*>(s), i));
}
inline void ossl_p7_stack_free(struct stack_st_PKCS7* s) {
    OPENSSL_sk_pop_free(reinterpret_cast<OPENSSL_STACK*>(s), [](void* p) { PKCS7_free(static_cast<OsslPkcs7*>(p)); });
}
