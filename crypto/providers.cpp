// OpenSSL providers: the default one serves almost everything; the legacy one (DES, RC2, MD5-based
// PBE) is loaded only when such an algorithm is actually needed, so plain conversions start fast.
#include "crypto/openssl_includes.h"
#include "crypto/pass_internal.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace kx {
namespace {

OSSL_PROVIDER* g_default = nullptr;
OSSL_PROVIDER* g_legacy = nullptr;

// Runs before OpenSSL's own clean-up (registered later, so called earlier): the references taken
// here must go first or the providers outlive the library's tear-down.
void unload_providers() {
    if (g_legacy) OSSL_PROVIDER_unload(g_legacy);
    if (g_default) OSSL_PROVIDER_unload(g_default);
    g_legacy = g_default = nullptr;
}

bool load_legacy() {
    static std::once_flag once;
    static bool loaded = false;
    std::call_once(once, [] {
        // Loading any provider by hand stops the default one from being loaded implicitly: load both.
        g_default = OSSL_PROVIDER_load(nullptr, "default");
        g_legacy = OSSL_PROVIDER_load(nullptr, "legacy");
        loaded = g_default && g_legacy;
        std::atexit(unload_providers);
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

// Algorithms that only the legacy provider serves, by the start of their names.
bool legacy_only(const std::string& name) {
    static const char* const kHeads[] = {"DES-CBC", "DES-ECB", "DES-CFB", "DES-OFB",  "DESX", "RC2",
                                         "RC4",     "RC5",     "BF-",     "CAST5",    "IDEA", "SEED",
                                         "MD2",     "MD4",     "MDC2",    "WHIRLPOOL"};
    for (const char* head : kHeads)
        if (strncasecmp(name.c_str(), head, std::strlen(head)) == 0) return true;
    return false;
}

}  // namespace

std::string unsupported_detail(const std::string& name) {
    if (!legacy_only(name) || load_legacy()) return name;
    return name +
           ": needs OpenSSL's legacy provider (Debian 13: install openssl-provider-legacy; before that it is part "
           "of libssl3)";
}

bool cipher_available(const char* name) { return available(name, EVP_CIPHER_fetch, EVP_CIPHER_free); }
bool digest_available(const char* name) { return available(name, EVP_MD_fetch, EVP_MD_free); }

}  // namespace kx
