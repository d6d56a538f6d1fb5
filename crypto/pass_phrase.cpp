// Pass phrases: the writers' provider the program installs, an input's source, and the string that
// wipes itself.
#include "crypto/openssl_includes.h"
#include "crypto/pass_internal.h"

#include <cstring>

namespace {
PassProvider& provider() {
    static PassProvider p;
    return p;
}
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

std::optional<SecretString> ask_pass(PassPurpose purpose, const char* path, bool retry) {
    if (!provider()) return std::nullopt;
    PassRequest request;
    request.purpose = purpose;
    request.path = path ? path : "";
    request.retry = retry;
    return provider()(request);
}

std::optional<SecretString> ask_input_pass(const KxInput& in, bool retry) {
    const InputState& st = in.state();
    if (!st.source) return std::nullopt;
    PassRequest request;
    request.purpose = PassPurpose::OpenInput;
    request.path = st.path;
    request.retry = retry;
    return st.source(request);
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
