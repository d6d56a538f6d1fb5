// Walking DER for readers that decode only the parts of a big input they need: one element at a time
// (read_tlv in der_header.h), a copy of an element with one nested element emptied, and checks of
// elements OpenSSL's decoder takes for certain.
#pragma once

#include "crypto/der_header.h"

#include <cstddef>
#include <initializer_list>
#include <vector>

namespace kx {

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
