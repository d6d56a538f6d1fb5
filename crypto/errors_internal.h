// Where writers record why they failed, for KX_last_write_error. (A read records it in its KxInput.)
#pragma once

#include "crypto/kx.h"

namespace kx {

// Allocations OpenSSL asked for and did not get, since the start (see KX_watch_allocations).
unsigned long allocation_failures();

// Records a write failure; "encoding" after an allocation failed since the write began is recorded as
// out of memory. `detail`: for CannotWrite, why the system refused ("no space left on device").
void fail_write(KxWriteFailure kind, std::string detail = {});
void write_started();

}  // namespace kx
