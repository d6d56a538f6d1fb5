// A look at the first few DER headers of a file: enough to rule out the kinds it cannot be, so that
// readers of those kinds need not parse it. Anything unclear keeps every kind possible.
#include "crypto/der_header.h"
#include "crypto/input_internal.h"

namespace kx {
namespace {

// Reads one header at p (moving p past the whole element, or to `end` when its length is indefinite);
// false when it is damaged or runs past end.
bool next(const unsigned char*& p, const unsigned char* end, Tlv& h) {
    if (read_header(p, end, h) != Header::Read) return false;
    p = h.indefinite ? end : h.end();
    return true;
}

bool is(const Tlv& h, int tag) { return h.cls == V_ASN1_UNIVERSAL && h.tag == tag; }
bool is_time(const Tlv& h) { return is(h, V_ASN1_UTCTIME) || is(h, V_ASN1_GENERALIZEDTIME); }

// Headers of the first `max` children of a constructed element; stops early at an indefinite child
// (its end is unknown without parsing it), which the caller treats as "unclear".
int children(const Tlv& parent, const unsigned char* file_end, Tlv* out, int max, bool& unclear) {
    const unsigned char* p = parent.content;
    const unsigned char* end = parent.indefinite ? file_end : parent.content + parent.len;
    int n = 0;
    while (n < max && p < end) {
        if (parent.indefinite && end - p >= 2 && p[0] == 0 && p[1] == 0) break;  // end-of-contents
        if (!next(p, end, out[n])) {
            unclear = n == 0;
            break;
        }
        if (out[n].indefinite) {
            unclear = true;
            return n + 1;
        }
        ++n;
    }
    return n;
}

unsigned signed_kind(const Tlv& tbs, const unsigned char* end) {
    if (!tbs.constructed || !is(tbs, V_ASN1_SEQUENCE)) return 0;
    Tlv t[4];
    bool unclear = false;
    int n = children(tbs, end, t, 4, unclear);
    if (unclear || n < 3) return kDerCert | kDerCrl | kDerReq;
    if (t[0].cls == V_ASN1_CONTEXT_SPECIFIC && t[0].tag == 0) return kDerCert;
    if (is(t[0], V_ASN1_SEQUENCE)) return kDerCrl;  // v1 CRL: signature, issuer, thisUpdate
    if (is(t[0], V_ASN1_INTEGER)) {
        if (n >= 4 && is_time(t[3])) return kDerCrl;
        if (n >= 4 && is(t[3], V_ASN1_SEQUENCE)) return kDerCert;
        return kDerReq;
    }
    return 0;
}

}  // namespace

unsigned sniff_der(const unsigned char* data, std::size_t len) {
    if (!data || len < 2) return 0;
    const unsigned char* p = data;
    const unsigned char* end = data + len;
    Tlv outer;
    if (!next(p, end, outer) || !outer.constructed || !is(outer, V_ASN1_SEQUENCE)) return 0;
    Tlv c[10];
    bool unclear = false;
    int n = children(outer, end, c, 10, unclear);
    if (unclear) return kDerAny;
    if (n == 0) return 0;
    if (is(c[0], V_ASN1_OBJECT)) return kDerP7;
    if (is(c[0], V_ASN1_INTEGER)) {
        unsigned shape = 0;
        if (n >= 2 && is(c[1], V_ASN1_SEQUENCE)) shape |= kDerP12 | kDerP8;
        bool integers = true;
        for (int i = 0; i < n; ++i) integers = integers && is(c[i], V_ASN1_INTEGER);
        if (integers && n == 6) shape |= kDerDsaKey;
        if (integers && n >= 9) shape |= kDerRsaKey;  // two-prime keys have nine, multi-prime ones more
        if (n >= 2 && is(c[1], V_ASN1_OCTET_STRING)) shape |= kDerEcKey;
        return shape;
    }
    if (is(c[0], V_ASN1_SEQUENCE)) {
        if (n >= 2 && is(c[1], V_ASN1_OCTET_STRING)) return kDerP8Enc;
        if (n >= 3 && is(c[1], V_ASN1_SEQUENCE) && is(c[2], V_ASN1_BIT_STRING)) return signed_kind(c[0], end);
        return 0;
    }
    return 0;
}

}  // namespace kx
