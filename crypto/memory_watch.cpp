// OpenSSL reports an allocation that failed only as the failure of what it was doing (a parse, an
// encoding). Counting failed allocations lets a refusal for want of memory be told for what it is.
#include "crypto/errors_internal.h"
#include "crypto/openssl_includes.h"

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<unsigned long> g_failures{0};

void* watched_malloc(std::size_t n, const char*, int) {
    void* p = std::malloc(n);
    if (!p && n) ++g_failures;
    return p;
}

void* watched_realloc(void* p, std::size_t n, const char*, int) {
    void* q = std::realloc(p, n);
    if (!q && n) ++g_failures;
    return q;
}

void watched_free(void* p, const char*, int) { std::free(p); }

}  // namespace

namespace kx {

unsigned long allocation_failures() { return g_failures.load(std::memory_order_relaxed); }

}  // namespace kx

bool KX_watch_allocations() { return CRYPTO_set_mem_functions(watched_malloc, watched_realloc, watched_free) == 1; }
