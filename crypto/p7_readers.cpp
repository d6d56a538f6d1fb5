// Readers of PKCS#7 files (PEM and DER): the certificates and CRLs of a SignedData, in file order.
#include "crypto/block_readers_internal.h"
#include "crypto/bundle_limit_internal.h"
#include "crypto/errors_internal.h"
#include "crypto/input_internal.h"
#include "crypto/kx_internal.h"

#include <limits>

namespace {

template <class T, int (*I2d)(const T*, unsigned char**)>
bool encode(const T* obj, std::vector<unsigned char>& out) {
    int n = I2d(obj, nullptr);
    if (n <= 0) return false;
    out.resize(static_cast<std::size_t>(n));
    unsigned char* p = out.data();
    return I2d(obj, &p) == n;
}

std::unique_ptr<PKCS7> parse_p7(const unsigned char* data, std::size_t len) {
    if (len > static_cast<std::size_t>(std::numeric_limits<long>::max())) return nullptr;
    const unsigned char* p = data;
    ERR_set_mark();
    kx::Pkcs7Ptr p7(d2i_PKCS7(nullptr, &p, static_cast<long>(len)));
    ERR_pop_to_mark();
    if (!p7 || !p7->d.ptr) return nullptr;
    STACK_OF(X509)* certs = nullptr;
    STACK_OF(X509_CRL)* crls = nullptr;
    if (PKCS7_type_is_signed(p7.get())) {
        certs = p7->d.sign->cert;
        crls = p7->d.sign->crl;
    } else if (PKCS7_type_is_signedAndEnveloped(p7.get())) {
        certs = p7->d.signed_and_enveloped->cert;
        crls = p7->d.signed_and_enveloped->crl;
    } else {
        return nullptr;
    }
    // "Zero certificates read" is no success: an empty bundle is not taken as a PKCS#7 input.
    if (sk_X509_num(certs) <= 0 && sk_X509_CRL_num(crls) <= 0) return nullptr;
    auto out = std::make_unique<PKCS7>();
    std::vector<unsigned char> der;
    for (int i = 0; i < sk_X509_num(certs); ++i) {
        const X509* x = sk_X509_value(certs, i);
        if (!encode<X509, i2d_X509>(x, der)) return nullptr;
        out->certs.push_back(kx::make_cert(x, der.data(), der.size()));
    }
    for (int i = 0; i < sk_X509_CRL_num(crls); ++i) {
        const X509_CRL* c = sk_X509_CRL_value(crls, i);
        if (!encode<X509_CRL, i2d_X509_CRL>(c, der)) return nullptr;
        out->crls.push_back(kx::make_crl(c, der.data(), der.size()));
    }
    return out;
}

std::unique_ptr<PKCS7> result(std::unique_ptr<PKCS7> p7) {
    if (p7)
        kx::read_succeeded();
    else
        kx::fail_read(KxReadFailure::NotRecognised);
    return p7;
}

// Parses unless the bundle holds more entries than the cap (then refused, with that reason).
std::unique_ptr<PKCS7> parse_bounded(const unsigned char* data, std::size_t len) {
    if (kx::p7_entry_count(data, len) > KX_MAX_BUNDLE_ENTRIES) {
        kx::fail_too_many_entries();
        return nullptr;
    }
    return result(parse_p7(data, len));
}

}  // namespace

std::unique_ptr<PKCS7> kx::p7_from_der(const unsigned char* data, std::size_t len) { return parse_bounded(data, len); }

std::unique_ptr<PKCS7> PEM_read_p7(const char* path) {
    auto in = kx::open_input(path);
    if (!in) return nullptr;
    kx::PemBlock block;
    if (!kx::find_pem_block(*in, {PEM_STRING_PKCS7, PEM_STRING_PKCS7_SIGNED}, block)) return result(nullptr);
    return parse_bounded(block.data.data(), block.data.size());
}

std::unique_ptr<PKCS7> P7s_read_file(const char* path) {
    auto in = kx::open_input(path);
    if (!in) return nullptr;
    if (!in->may_be(kx::kDerP7)) return result(nullptr);
    return parse_bounded(in->bytes.data(), in->bytes.size());
}
