// Where readers and writers record why they failed, for KX_last_read_error / KX_last_write_error.
#pragma once

#include "crypto/kx.h"

namespace kx {

// Records a read failure; "not recognised" (or for a write, "encoding") after an allocation failed since
// the read (write) began is recorded as out of memory. While a KX_InputScope is open, a plain "not recognised" never
// hides a more telling reason that an earlier reader of the same file found (a wrong pass phrase, a refused size).
void fail_read(KxReadFailure kind, std::string detail = {});
void read_succeeded();
void clear_read_failure();

// `detail`: for CannotWrite, why the system refused ("no space left on device").
// Allocations OpenSSL asked for and did not get, since the start (see KX_watch_allocations).
unsigned long allocation_failures();

void fail_write(KxWriteFailure kind, std::string detail = {});
void write_started();

}  // namespace kx
