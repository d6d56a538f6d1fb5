// Element-by-element DER walking and hole copies; see der_walk_internal.h.
#include "crypto/der_walk_internal.h"

#include <iterator>
#include <limits>

namespace kx {
namespace {

// Appends a header with a definite length; false when OpenSSL cannot size it.
bool put_header(std::vector<unsigned char>& out, const Tlv& of, long len) {
    int total = ASN1_object_size(of.constructed ? 1 : 0, len, of.tag);
    if (total < 0 || total < len) return false;
    std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(total - len));
    unsigned char* p = out.data() + at;
    ASN1_put_object(&p, of.constructed ? 1 : 0, static_cast<int>(len), of.tag, of.cls);
    return p == out.data() + out.size();
}

void put_bytes(std::vector<unsigned char>& out, const unsigned char* from, const unsigned char* to) {
    out.insert(out.end(), from, to);
}

}  // namespace

std::vector<unsigned char> copy_with_hole(std::initializer_list<Tlv> path, const Tlv& hole) {
    // Built from the hole outwards: each level is its header, its bytes before the child on the path,
    // the child as rebuilt, and its bytes after it.
    std::vector<unsigned char> inside;
    if (!put_header(inside, hole, 0)) return {};
    const Tlv* child = &hole;
    for (auto level = std::rbegin(path); level != std::rend(path); ++level) {
        const long len = static_cast<long>(child->start - level->content) + static_cast<long>(inside.size()) +
                         static_cast<long>(level->end() - child->end());
        if (len < 0 || len > std::numeric_limits<int>::max()) return {};
        std::vector<unsigned char> built;
        built.reserve(static_cast<std::size_t>(len) + 8);
        if (!put_header(built, *level, len)) return {};
        put_bytes(built, level->content, child->start);
        put_bytes(built, inside.data(), inside.data() + inside.size());
        put_bytes(built, child->end(), level->end());
        inside = std::move(built);
        child = &*level;
    }
    return inside;
}

// ---- Elements OpenSSL's decoder takes for certain ------------------------------------------------
// Each is a sufficient condition only: an element that fails one is left to the decoder itself.

// A leading 00 or FF byte may be padding, which the decoder refuses: left to it.
bool plain_integer(const Tlv& t) {
    if (!t.is(V_ASN1_INTEGER, false) || t.len < 1) return false;
    if (t.len == 1) return true;
    const unsigned char first = t.content[0];
    return (first != 0x00 && first != 0xFF) || (first == 0x00 && (t.content[1] & 0x80));
}

bool plain_time(const Tlv& t) {
    return t.is(V_ASN1_UTCTIME, false) ? t.len >= 13 : t.is(V_ASN1_GENERALIZEDTIME, false) && t.len >= 15;
}

// A known identifier's encoding is one the decoder takes; others are left to it.
bool known_object(const Tlv& t) {
    if (!t.is(V_ASN1_OBJECT, false)) return false;
    const unsigned char* p = t.start;
    ASN1_OBJECT* obj = d2i_ASN1_OBJECT(nullptr, &p, t.end() - t.start);
    const bool known = obj && OBJ_obj2nid(obj) != NID_undef;
    ASN1_OBJECT_free(obj);
    return known;
}

// Extension ::= SEQUENCE { extnID OBJECT IDENTIFIER, critical BOOLEAN OPTIONAL, extnValue OCTET STRING }
bool plain_extension(const Tlv& ext) {
    if (!ext.is(V_ASN1_SEQUENCE, true)) return false;
    const unsigned char* p = ext.content;
    Tlv part;
    if (!read_tlv(p, ext.end(), part) || !known_object(part)) return false;
    if (!read_tlv(p, ext.end(), part)) return false;
    if (part.is(V_ASN1_BOOLEAN, false)) {
        if (part.len != 1 || !read_tlv(p, ext.end(), part)) return false;
    }
    return part.is(V_ASN1_OCTET_STRING, false) && p == ext.end();
}

bool plain_extensions(const Tlv& list) {
    if (!list.is(V_ASN1_SEQUENCE, true)) return false;
    for (const unsigned char* p = list.content; p < list.end();) {
        Tlv ext;
        if (!read_tlv(p, list.end(), ext) || !plain_extension(ext)) return false;
    }
    return true;
}

// AlgorithmIdentifier ::= SEQUENCE { algorithm OBJECT IDENTIFIER, parameters ANY OPTIONAL }: no
// parameters, NULL or a named curve. Shortest headers, so that encoding it again gives the same bytes.
bool plain_algorithm(const Tlv& alg) {
    if (!alg.is(V_ASN1_SEQUENCE, true) || !minimal_header(alg)) return false;
    const unsigned char* p = alg.content;
    Tlv part;
    if (!read_tlv(p, alg.end(), part) || !known_object(part) || !minimal_header(part)) return false;
    if (p == alg.end()) return true;
    if (!read_tlv(p, alg.end(), part) || !minimal_header(part) || p != alg.end()) return false;
    return (part.is(V_ASN1_NULL, false) && part.len == 0) || known_object(part);
}

bool plain_bit_string(const Tlv& t) { return t.is(V_ASN1_BIT_STRING, false) && t.len >= 1 && t.content[0] <= 7; }

bool minimal_header(const Tlv& t) {
    if (t.len > std::numeric_limits<int>::max()) return false;
    return ASN1_object_size(t.constructed ? 1 : 0, static_cast<int>(t.len), t.tag) == t.header_size() + t.len;
}

}  // namespace kx
