// Walking DER with OpenSSL's ASN1_get_object, for readers that decode only the parts of a big input
// they need: one element at a time, and a copy of an element with one nested element emptied.
#pragma once

#include "crypto/openssl_includes.h"

#include <cstddef>
#include <initializer_list>
#include <vector>

namespace kx {

struct Tlv {
    const unsigned char* start = nullptr;  // the first byte of the header
    const unsigned char* content = nullptr;
    long len = 0;
    int tag = 0;
    int cls = 0;
    bool constructed = false;

    const unsigned char* end() const { return content + len; }
    bool is(int universal_tag, bool is_constructed) const {
        return cls == V_ASN1_UNIVERSAL && tag == universal_tag && constructed == is_constructed;
    }
};

// The element at p, which must end by `end`; p moves past it. False when the header is damaged, the
// element runs past `end`, or its length is indefinite (callers then leave the input to OpenSSL's
// full decoder).
bool read_tlv(const unsigned char*& p, const unsigned char* end, Tlv& out);

// A copy of the element `path[0]` in which `hole`, nested in it along `path` (each element a child of
// the one before, `hole` a child of the last), is replaced by an empty element of the same tag.
// Everything else is copied byte for byte; only the headers along the path are written again with
// their new lengths. Empty when the copy cannot be made.
std::vector<unsigned char> copy_with_hole(std::initializer_list<Tlv> path, const Tlv& hole);

// Whether the element's header is in its shortest form (as OpenSSL would encode it again).
bool minimal_header(const Tlv& t);

// Elements that OpenSSL's decoder takes for certain. Each is a sufficient condition only: readers hand
// an element that fails one to the decoder itself, so nothing it would refuse is taken.
bool plain_integer(const Tlv& t);     // primitive, not empty, not padded
bool plain_time(const Tlv& t);        // UTCTime or GeneralizedTime, primitive, not shorter than its shortest form
bool known_object(const Tlv& t);      // an object identifier OpenSSL knows
bool plain_extension(const Tlv& t);   // SEQUENCE { known OID, BOOLEAN OPTIONAL, OCTET STRING }
bool plain_extensions(const Tlv& t);  // SEQUENCE OF plain extensions
bool plain_algorithm(const Tlv& t);   // SEQUENCE { known OID, NULL or known OID OPTIONAL }, shortest headers
bool plain_bit_string(const Tlv& t);  // primitive, with its count of unused bits

}  // namespace kx
