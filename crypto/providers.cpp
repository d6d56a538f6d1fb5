// OpenSSL providers: the default one serves almost everything; the legacy one (DES, RC2, MD5-based
// PBE) is loaded only when such an algorithm is actually needed, so plain conversions start fast.
#include "crypto/openssl_includes.h"
#include "crypto/pass_internal.h"


#include <mutex>

namespace kx {
namespace {

bool load_legacy() {
    static std::once_flag once;
    static bool loaded = false;
    std::call_once(once, [] {
        // Loading any provider by hand stops the default one from being loaded implicitly: load both.
        OSSL_PROVIDER* def = OSSL_PROVIDER_load(nullptr, "default");
        OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
        loaded = def && legacy;
    });
    return loaded;
}

template <class Fetch, class Free>
bool available(const char* name, Fetch fetch, Free free_it) {
    if (!name) return false;
    ERR_set_mark();
    auto* alg = fetch(nullptr, name, nullptr);
    if (!alg && load_legacy()) alg = fetch(nullptr, name, nullptr);
    ERR_pop_to_mark();
    if (!alg) return false;
    free_it(alg);
    return true;
}

}  // namespace

bool cipher_available(const char* name) { return available(name, EVP_CIPHER_fetch, EVP_CIPHER_free); }
bool digest_available(const char* name) { return available(name, EVP_MD_fetch, EVP_MD_free); }

}  // namespace kx
