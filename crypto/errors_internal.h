// Where readers record why they failed, for KX_last_read_error.
#pragma once

#include "crypto/kx.h"

namespace kx {

// Records a read failure; "not recognised" after an allocation failed since the read began is recorded
// as out of memory. While a KX_InputScope is open, a plain "not recognised" never
// hides a more telling reason that an earlier reader of the same file found (a wrong pass phrase, a refused size).
void fail_read(KxReadFailure kind, std::string detail = {});
void read_succeeded();
void clear_read_failure();

// Allocations OpenSSL asked for and did not get, since the start (see KX_watch_allocations).
unsigned long allocation_failures();

}  // namespace kx
