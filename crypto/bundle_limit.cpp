// Counting a PKCS#7's certificates and CRLs from DER headers. Crafted bundles of copies of one small
// certificate cost OpenSSL a few kilobytes and a fraction of a millisecond each to parse, so a file
// within the size cap could still hold millions of them; the count is taken before any is parsed.
#include "crypto/bundle_limit_internal.h"
#include "crypto/der_header.h"
#include "crypto/errors_internal.h"

#include <limits>
#include <string>

namespace kx {
namespace {

// The children of a constructed element, one by one.
class Children {
public:
    Children(const Tlv& parent, int depth) : p_(parent.content), end_(parent.end()), depth_(depth + 1) {}
    // False at the end or on damage (then `damaged` is set).
    bool next(Tlv& child) {
        if (p_ >= end_) return false;
        if (!read_ber(p_, end_, child, depth_)) {
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

bool is_universal(const Tlv& e, int tag) { return e.cls == V_ASN1_UNIVERSAL && e.tag == tag; }

}  // namespace

std::size_t p7_entry_count(const unsigned char* der, std::size_t len) {
    if (!der || len == 0 || len > static_cast<std::size_t>(std::numeric_limits<long>::max())) return 0;
    const unsigned char* p = der;
    const unsigned char* end = der + len;
    Tlv info, type, wrapper, data;
    if (!read_ber(p, end, info, 0) || !is_universal(info, V_ASN1_SEQUENCE) || !info.constructed) return 0;
    Children of_info(info, 0);
    if (!of_info.next(type) || !is_universal(type, V_ASN1_OBJECT)) return 0;
    if (!of_info.next(wrapper) || wrapper.cls != V_ASN1_CONTEXT_SPECIFIC || wrapper.tag != 0) return 0;
    Children of_wrapper(wrapper, 1);
    if (!of_wrapper.next(data) || !is_universal(data, V_ASN1_SEQUENCE) || !data.constructed) return 0;

    // Certificates are [0] and CRLs [1] in both SignedData and SignedAndEnvelopedData.
    std::size_t count = 0;
    Children fields(data, 2);
    Tlv field;
    while (fields.next(field)) {
        if (field.cls != V_ASN1_CONTEXT_SPECIFIC || (field.tag != 0 && field.tag != 1) || !field.constructed) continue;
        Children entries(field, 3);
        Tlv entry;
        while (entries.next(entry)) ++count;
        if (entries.damaged) return 0;
    }
    return fields.damaged ? 0 : count;
}

KxReadError too_many_entries() {
    return {KxReadFailure::TooLarge, "more than " + std::to_string(KX_MAX_BUNDLE_ENTRIES) + " certificates and CRLs"};
}

}  // namespace kx
