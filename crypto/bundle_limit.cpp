// Counting a PKCS#7's certificates and CRLs from DER headers. Crafted bundles of copies of one small
// certificate cost OpenSSL a few kilobytes and a fraction of a millisecond each to parse, so a file
// within the size cap could still hold millions of them; the count is taken before any is parsed.
#include "crypto/openssl_includes.h"

#include "crypto/bundle_limit_internal.h"
#include "crypto/errors_internal.h"

#include <limits>
#include <string>

namespace kx {
namespace {

// Far deeper than any sound PKCS#7 nests; OpenSSL's own parser stops sooner.
constexpr int kMaxDepth = 32;

struct Element {
    int tag = 0;
    int cls = 0;
    bool constructed = false;
    bool indefinite = false;
    const unsigned char* content = nullptr;
    const unsigned char* end = nullptr;  // past the element's contents (its end-of-contents for indefinite)
};

bool at_end_of_contents(const unsigned char* p, const unsigned char* end) {
    return end - p >= 2 && p[0] == 0 && p[1] == 0;
}

// Reads the element at p and moves p past it; false when it is damaged or runs past `end`.
bool read(const unsigned char*& p, const unsigned char* end, Element& e, int depth) {
    if (p >= end || depth > kMaxDepth) return false;
    const unsigned char* q = p;
    long len = 0;
    int r = ASN1_get_object(&q, &len, &e.tag, &e.cls, end - p);
    if (r & 0x80) return false;
    e.constructed = (r & V_ASN1_CONSTRUCTED) != 0;
    e.indefinite = (r & 1) != 0;
    e.content = q;
    if (!e.indefinite) {
        e.end = q + len;
        p = e.end;
        return true;
    }
    // An indefinite length ends at the end-of-contents after its last child.
    Element child;
    while (!at_end_of_contents(q, end))
        if (!read(q, end, child, depth + 1)) return false;
    e.end = q;
    p = q + 2;
    return true;
}

// The children of a constructed element, one by one.
class Children {
public:
    Children(const Element& parent, int depth) : p_(parent.content), end_(parent.end), depth_(depth + 1) {}
    // False at the end or on damage (then `damaged` is set).
    bool next(Element& child) {
        if (p_ >= end_) return false;
        if (!read(p_, end_, child, depth_)) {
            damaged = true;
            return false;
        }
        return true;
    }
    bool damaged = false;

private:
    const unsigned char* p_;
    const unsigned char* end_;
    int depth_;
};

bool is_universal(const Element& e, int tag) { return e.cls == V_ASN1_UNIVERSAL && e.tag == tag; }

}  // namespace

std::size_t p7_entry_count(const unsigned char* der, std::size_t len) {
    if (!der || len == 0 || len > static_cast<std::size_t>(std::numeric_limits<long>::max())) return 0;
    const unsigned char* p = der;
    const unsigned char* end = der + len;
    Element info, type, wrapper, data;
    if (!read(p, end, info, 0) || !is_universal(info, V_ASN1_SEQUENCE) || !info.constructed) return 0;
    Children of_info(info, 0);
    if (!of_info.next(type) || !is_universal(type, V_ASN1_OBJECT)) return 0;
    if (!of_info.next(wrapper) || wrapper.cls != V_ASN1_CONTEXT_SPECIFIC || wrapper.tag != 0) return 0;
    Children of_wrapper(wrapper, 1);
    if (!of_wrapper.next(data) || !is_universal(data, V_ASN1_SEQUENCE) || !data.constructed) return 0;

    // Certificates are [0] and CRLs [1] in both SignedData and SignedAndEnvelopedData.
    std::size_t count = 0;
    Children fields(data, 2);
    Element field;
    while (fields.next(field)) {
        if (field.cls != V_ASN1_CONTEXT_SPECIFIC || (field.tag != 0 && field.tag != 1) || !field.constructed) continue;
        Children entries(field, 3);
        Element entry;
        while (entries.next(entry)) ++count;
        if (entries.damaged) return 0;
    }
    return fields.damaged ? 0 : count;
}

KxReadError too_many_entries() {
    return {KxReadFailure::TooLarge, "more than " + std::to_string(KX_MAX_BUNDLE_ENTRIES) + " certificates and CRLs"};
}

}  // namespace kx
