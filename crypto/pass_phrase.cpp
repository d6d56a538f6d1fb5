// Pass phrases: the provider the program installs, and the string that wipes itself.
#include "crypto/openssl_includes.h"
#include "crypto/pass_internal.h"

#include <cstring>

namespace {
PassProvider& provider() {
    static PassProvider p;
    return p;
}

struct Memory {
    int depth = 0;  // FilePassMemory objects alive
    std::optional<SecretString> pass;
};
thread_local Memory g_memory;
}  // namespace

SecretString::SecretString(SecretString&& other) noexcept : value_(std::move(other.value_)) { other.wipe(); }

SecretString& SecretString::operator=(SecretString&& other) noexcept {
    if (this != &other) {
        wipe();
        value_ = std::move(other.value_);
        other.wipe();
    }
    return *this;
}

SecretString::~SecretString() { wipe(); }

void SecretString::wipe() {
    // Wipe the whole buffer, not only the used part: a short string may live in the object itself.
    if (value_.capacity() > 0) OPENSSL_cleanse(value_.data(), value_.capacity());
    value_.clear();
}

void KX_set_pass_provider(PassProvider p) { provider() = std::move(p); }

namespace kx {

FilePassMemory::FilePassMemory() { ++g_memory.depth; }
FilePassMemory::~FilePassMemory() {
    if (--g_memory.depth == 0) g_memory.pass.reset();
}

const SecretString* remembered_pass() { return g_memory.depth > 0 && g_memory.pass ? &*g_memory.pass : nullptr; }

void remember_pass(const SecretString& pass) {
    if (g_memory.depth > 0) g_memory.pass.emplace(std::string(pass.str()));
}

std::optional<SecretString> ask_pass(PassPurpose purpose, const char* path, bool retry) {
    if (!provider()) return std::nullopt;
    PassRequest request;
    request.purpose = purpose;
    request.path = path ? path : "";
    request.retry = retry;
    return provider()(request);
}

int copy_pass_cb(char* buf, int size, int, void* u) {
    const auto* pass = static_cast<const SecretString*>(u);
    if (!pass || size <= 0) return -1;
    std::size_t n = pass->str().size();
    if (n > static_cast<std::size_t>(size)) return -1;
    std::memcpy(buf, pass->str().data(), n);
    return static_cast<int>(n);
}

}  // namespace kx
