// What the layer counts across reads and writes: OpenSSL's failed allocations, so that a read or a write
// that fails after one says "not enough memory" rather than "damaged" or "cannot encode". Reads record
// their refusal in their KxInput, writes return theirs in a KxWriteOutcome.
#pragma once

#include "crypto/kx.h"

namespace kx {

// Allocations OpenSSL asked for and did not get, since the start (see KX_watch_allocations).
unsigned long allocation_failures();

}  // namespace kx
