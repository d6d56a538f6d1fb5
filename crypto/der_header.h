// The one reader of DER element headers (tag, class, length) in the crypto layer: OpenSSL's
// ASN1_get_object, bounded by the buffer, with each outcome named. Every walk over tags and lengths
// reads its headers here.
#pragma once

#include "crypto/openssl_includes.h"

namespace kx {

// An element as its header states it. For an indefinite length `len` is 0 until read_ber finds the
// end-of-contents; `end()` is then the first byte of that end-of-contents.
struct Tlv {
    const unsigned char* start = nullptr;  // the first byte of the header
    const unsigned char* content = nullptr;
    long len = 0;
    int tag = 0;
    int cls = 0;
    bool constructed = false;
    bool indefinite = false;

    const unsigned char* end() const { return content + len; }
    long header_size() const { return static_cast<long>(content - start); }
    bool is(int universal_tag, bool is_constructed) const {
        return cls == V_ASN1_UNIVERSAL && tag == universal_tag && constructed == is_constructed;
    }
};

enum class Header {
    Read,      // the whole element lies before `end` (an indefinite one: its header does)
    RunsPast,  // the header reads, but its length runs past `end`: the input was cut short
    Damaged,   // no header can be read at p (nothing left, a bad length, an indefinite primitive ...)
};

// The header at p, which must end by `end`. `out` is filled unless the header is damaged; p stays.
Header read_header(const unsigned char* p, const unsigned char* end, Tlv& out);

// The element at p with a definite length, which must end by `end`; p moves past it. False when the
// header is damaged, the element runs past `end`, or its length is indefinite (callers then leave the
// input to OpenSSL's full decoder).
bool read_tlv(const unsigned char*& p, const unsigned char* end, Tlv& out);

// Far deeper than any sound structure nests; OpenSSL's own parser stops sooner.
constexpr int kMaxBerDepth = 32;

// As read_tlv, but an indefinite length is followed to its end-of-contents through the elements
// nested in it, at most kMaxBerDepth levels below `depth`; p moves past the end-of-contents.
bool read_ber(const unsigned char*& p, const unsigned char* end, Tlv& out, int depth);

}  // namespace kx
