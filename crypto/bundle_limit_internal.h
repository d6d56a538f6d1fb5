// The cap on certificates and CRLs in one PKCS#7 or PKCS#12 input, and the count of a PKCS#7's entries
// taken from its DER headers alone, so that a bundle beyond the cap is refused before it is parsed.
#pragma once

#include "crypto/kx.h"

#include <cstddef>

namespace kx {

// The certificates and CRLs of a PKCS#7 ContentInfo (SignedData or SignedAndEnvelopedData), counted
// without parsing them; 0 when the structure is not one of those or is damaged (the parser then decides).
std::size_t p7_entry_count(const unsigned char* der, std::size_t len);

// The refusal of a bundle with more entries than KX_MAX_BUNDLE_ENTRIES.
KxReadError too_many_entries();

}  // namespace kx
