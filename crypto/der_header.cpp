// Reading DER element headers; see der_header.h.
#include "crypto/der_header.h"

namespace kx {

Header read_header(const unsigned char* p, const unsigned char* end, Tlv& out) {
    if (p >= end) return Header::Damaged;
    const unsigned char* q = p;
    long len = 0;
    int tag = 0, cls = 0;
    const int r = ASN1_get_object(&q, &len, &tag, &cls, end - p);
    // A damaged header leaves q where it was; one whose length runs past `end` moves it to the contents.
    if ((r & 0x80) && q == p) return Header::Damaged;
    out.start = p;
    out.content = q;
    out.len = len;
    out.tag = tag;
    out.cls = cls;
    out.constructed = (r & V_ASN1_CONSTRUCTED) != 0;
    out.indefinite = (r & 1) != 0;
    return (r & 0x80) ? Header::RunsPast : Header::Read;
}

bool read_tlv(const unsigned char*& p, const unsigned char* end, Tlv& out) {
    Tlv t;
    if (read_header(p, end, t) != Header::Read || t.indefinite) return false;
    out = t;
    p = t.end();
    return true;
}

namespace {

bool at_end_of_contents(const unsigned char* p, const unsigned char* end) {
    return end - p >= 2 && p[0] == 0 && p[1] == 0;
}

}  // namespace

bool read_ber(const unsigned char*& p, const unsigned char* end, Tlv& out, int depth) {
    if (depth > kMaxBerDepth || read_header(p, end, out) != Header::Read) return false;
    if (!out.indefinite) {
        p = out.end();
        return true;
    }
    const unsigned char* q = out.content;
    Tlv child;
    while (!at_end_of_contents(q, end))
        if (!read_ber(q, end, child, depth + 1)) return false;
    out.len = static_cast<long>(q - out.content);
    p = q + 2;
    return true;
}

}  // namespace kx
