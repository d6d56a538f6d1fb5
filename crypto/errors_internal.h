// Where readers and writers record why they failed, for KX_last_read_error / KX_last_write_error.
#pragma once

#include "crypto/kx.h"

namespace kx {

// Records a read failure. While a KX_InputScope is open, a plain "not recognised" never hides a more
// telling reason that an earlier reader of the same file found (a wrong pass phrase, a refused size).
void fail_read(KxReadFailure kind, std::string detail = {});
void read_succeeded();
void clear_read_failure();

void fail_write(KxWriteFailure kind);
void write_started();

}  // namespace kx
