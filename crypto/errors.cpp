// The last write failure, kept per thread.
#include "crypto/errors_internal.h"

namespace {
thread_local KxWriteFailure g_write = KxWriteFailure::None;
thread_local std::string g_write_detail;
// allocation_failures() when the current write began.
thread_local unsigned long g_write_mark = 0;
}  // namespace

namespace kx {

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

KxWriteFailure KX_last_write_error() { return g_write; }
std::string KX_last_write_detail() { return g_write_detail; }
