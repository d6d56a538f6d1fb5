// The last read failure, kept per thread.
#include "crypto/errors_internal.h"
#include "crypto/input_internal.h"

namespace {
thread_local KxReadError g_read;
// allocation_failures() when the current read began.
thread_local unsigned long g_read_mark = 0;

bool telling(KxReadFailure kind) { return kind != KxReadFailure::None && kind != KxReadFailure::NotRecognised; }
}  // namespace

namespace kx {

void fail_read(KxReadFailure kind, std::string detail) {
    if (kind == KxReadFailure::NotRecognised && allocation_failures() != g_read_mark) kind = KxReadFailure::OutOfMemory;
    if (kind == KxReadFailure::NotRecognised && scope_active() && telling(g_read.kind)) return;
    g_read.kind = kind;
    g_read.detail = std::move(detail);
}

void read_succeeded() { g_read = KxReadError{}; }
void clear_read_failure() {
    g_read = KxReadError{};
    g_read_mark = allocation_failures();
}

}  // namespace kx

KxReadError KX_last_read_error() { return g_read; }
void KX_clear_read_error() { kx::clear_read_failure(); }
