// The last read and write failure, kept per thread.
#include "crypto/errors_internal.h"
#include "crypto/input_internal.h"

namespace {
thread_local KxReadError g_read;
thread_local KxWriteFailure g_write = KxWriteFailure::None;
thread_local std::string g_write_detail;
// allocation_failures() when the current read and write began.
thread_local unsigned long g_read_mark = 0;
thread_local unsigned long g_write_mark = 0;

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

void fail_write(KxWriteFailure kind, std::string detail) {
    if (kind == KxWriteFailure::Encoding && allocation_failures() != g_write_mark) kind = KxWriteFailure::OutOfMemory;
    g_write = kind;
    g_write_detail = std::move(detail);
}
void write_started() {
    g_write_mark = allocation_failures();
    g_write = KxWriteFailure::None;
    g_write_detail.clear();
}

}  // namespace kx

KxReadError KX_last_read_error() { return g_read; }
void KX_clear_read_error() { kx::clear_read_failure(); }
KxWriteFailure KX_last_write_error() { return g_write; }
std::string KX_last_write_detail() { return g_write_detail; }
