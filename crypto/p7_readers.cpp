// Readers of PKCS#7 files (PEM and DER): the certificates and CRLs of a SignedData, in file order.
#include "crypto/block_readers_internal.h"
#include "crypto/bundle_limit_internal.h"
#include "crypto/cert_scan_internal.h"
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

// The records of a decoded PKCS#7's certificates and CRLs, after those already in `out`.
bool add_decoded(const PKCS7* p7, kx::P7Records& out) {
    if (!p7->d.ptr) return false;
    STACK_OF(X509)* certs = nullptr;
    STACK_OF(X509_CRL)* crls = nullptr;
    if (PKCS7_type_is_signed(p7)) {
        certs = p7->d.sign->cert;
        crls = p7->d.sign->crl;
    } else if (PKCS7_type_is_signedAndEnveloped(p7)) {
        certs = p7->d.signed_and_enveloped->cert;
        crls = p7->d.signed_and_enveloped->crl;
    } else {
        return false;
    }
    std::vector<unsigned char> der;
    for (int i = 0; i < sk_X509_num(certs); ++i) {
        const X509* x = sk_X509_value(certs, i);
        if (!encode<X509, i2d_X509>(x, der)) return false;
        out.certs.push_back(kx::make_cert(x, der.data(), der.size()));
    }
    for (int i = 0; i < sk_X509_CRL_num(crls); ++i) {
        const X509_CRL* c = sk_X509_CRL_value(crls, i);
        if (!encode<X509_CRL, i2d_X509_CRL>(c, der)) return false;
        out.crls.push_back(kx::make_crl(c, der.data(), der.size()));
    }
    return true;
}

kx::Pkcs7Ptr decode(const unsigned char* data, std::size_t len) {
    const unsigned char* p = data;
    return kx::Pkcs7Ptr(d2i_PKCS7(nullptr, &p, static_cast<long>(len)));
}

// Where the certificates of a SignedData stand, when the input has the common shape:
// ContentInfo { contentType signedData, [0] SignedData { version, digestAlgorithms, contentInfo,
// [0] certificates, ... } }, definite lengths throughout.
struct SignedDataCerts {
    kx::Tlv info, wrapper, signed_data, certs;
};

bool find_certs(const unsigned char* data, std::size_t len, SignedDataCerts& at) {
    const unsigned char* p = data;
    if (!kx::read_tlv(p, data + len, at.info) || !at.info.is(V_ASN1_SEQUENCE, true)) return false;
    const unsigned char* q = at.info.content;
    kx::Tlv type;
    if (!kx::read_tlv(q, at.info.end(), type) || !type.is(V_ASN1_OBJECT, false)) return false;
    const unsigned char* t = type.start;
    ASN1_OBJECT* obj = d2i_ASN1_OBJECT(nullptr, &t, type.end() - type.start);
    const int nid = obj ? OBJ_obj2nid(obj) : NID_undef;
    ASN1_OBJECT_free(obj);
    if (nid != NID_pkcs7_signed) return false;
    if (!kx::read_tlv(q, at.info.end(), at.wrapper) || at.wrapper.cls != V_ASN1_CONTEXT_SPECIFIC ||
        at.wrapper.tag != 0 || !at.wrapper.constructed)
        return false;
    q = at.wrapper.content;
    if (!kx::read_tlv(q, at.wrapper.end(), at.signed_data) || !at.signed_data.is(V_ASN1_SEQUENCE, true)) return false;
    q = at.signed_data.content;
    kx::Tlv field;
    for (int i = 0; i < 3; ++i)  // version, digestAlgorithms, contentInfo
        if (!kx::read_tlv(q, at.signed_data.end(), field)) return false;
    return kx::read_tlv(q, at.signed_data.end(), at.certs) && at.certs.cls == V_ASN1_CONTEXT_SPECIFIC &&
           at.certs.tag == 0 && at.certs.constructed;
}

// Each certificate from its bytes when it has the common shape, else decoded whole by d2i_X509 as the
// SEQUENCE OF decoding would; false when one of them is refused.
bool add_certs(const kx::Tlv& list, kx::P7Records& out) {
    const unsigned char* p = list.content;
    std::vector<unsigned char> der;
    while (p < list.end()) {
        const unsigned char* at = p;
        kx::Tlv one;
        if (kx::read_tlv(p, list.end(), one)) {
            if (std::unique_ptr<Cert> cert = kx::scan_plain_cert(one)) {
                out.certs.push_back(std::move(cert));
                continue;
            }
        }
        p = at;
        kx::X509Ptr x(d2i_X509(nullptr, &p, static_cast<long>(list.end() - p)));
        if (!x || !encode<X509, i2d_X509>(x.get(), der)) return false;
        out.certs.push_back(kx::make_cert(x.get(), der.data(), der.size()));
    }
    return true;
}

std::unique_ptr<kx::P7Records> parse_p7(const unsigned char* data, std::size_t len) {
    if (len > static_cast<std::size_t>(std::numeric_limits<long>::max())) return nullptr;
    auto out = std::make_unique<kx::P7Records>();
    ERR_set_mark();
    SignedDataCerts at;
    bool ok = false;
    if (find_certs(data, len, at)) {
        // OpenSSL decodes and checks everything but the certificates (their list emptied); they are read
        // one by one from their bytes.
        const std::vector<unsigned char> rest = kx::copy_with_hole({at.info, at.wrapper, at.signed_data}, at.certs);
        kx::Pkcs7Ptr p7 = rest.empty() ? nullptr : decode(rest.data(), rest.size());
        ok = p7 && add_certs(at.certs, *out) && add_decoded(p7.get(), *out);
    } else {
        kx::Pkcs7Ptr p7 = decode(data, len);
        ok = p7 && add_decoded(p7.get(), *out);
    }
    ERR_pop_to_mark();
    // "Zero certificates read" is no success: an empty bundle is not taken as a PKCS#7 input.
    if (!ok || (out->certs.empty() && out->crls.empty())) return nullptr;
    return out;
}

std::unique_ptr<kx::P7Records> result(KxInput& in, std::unique_ptr<kx::P7Records> p7) {
    if (!p7) return kx::refuse(in);
    in.accept();
    return p7;
}

// Parses unless the bundle holds more entries than the cap (then refused, with that reason).
std::unique_ptr<kx::P7Records> parse_bounded(KxInput& in, const unsigned char* data, std::size_t len) {
    if (kx::p7_entry_count(data, len) > KX_MAX_BUNDLE_ENTRIES) {
        in.refuse(kx::too_many_entries());
        return nullptr;
    }
    return result(in, parse_p7(data, len));
}

}  // namespace

std::unique_ptr<kx::P7Records> kx::p7_from_der(KxInput& in, const unsigned char* data, std::size_t len) {
    return parse_bounded(in, data, len);
}

std::unique_ptr<kx::P7Records> kx::read_p7_pem(KxInput& in) {
    const kx::InputFile* file = kx::open_input(in);
    if (!file) return nullptr;
    kx::PemBlock block;
    if (!kx::find_pem_block(*file, {PEM_STRING_PKCS7, PEM_STRING_PKCS7_SIGNED}, block)) return kx::refuse(in);
    return parse_bounded(in, block.data.data(), block.data.size());
}

std::unique_ptr<kx::P7Records> kx::read_p7_der(KxInput& in) {
    const kx::InputFile* file = kx::open_input(in);
    if (!file) return nullptr;
    if (!file->may_be(kx::kDerP7)) return kx::refuse(in);
    return parse_bounded(in, file->bytes.data(), file->bytes.size());
}
