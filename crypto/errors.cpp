// The last read and write failure, kept per thread.
#include "crypto/errors_internal.h"
#include "crypto/input_internal.h"

namespace {
thread_local KxReadError g_read;
thread_local KxWriteFailure g_write = KxWriteFailure::None;

bool telling(KxReadFailure kind) { return kind != KxReadFailure::None && kind != KxReadFailure::NotRecognised; }
}  // namespace

namespace kx {

void fail_read(KxReadFailure kind, std::string detail) {
    if (kind == KxReadFailure::NotRecognised && scope_active() && telling(g_read.kind)) return;
    g_read.kind = kind;
    g_read.detail = std::move(detail);
}

void read_succeeded() { g_read = KxReadError{}; }
void clear_read_failure() { g_read = KxReadError{}; }

void fail_write(KxWriteFailure kind) { g_write = kind; }
void write_started() { g_write = KxWriteFailure::None; }

}  // namespace kx

KxReadError KX_last_read_error() { return g_read; }
void KX_clear_read_error() { g_read = KxReadError{}; }
KxWriteFailure KX_last_write_error() { return g_write; }
