// Pass phrases: asking an input's source, and the string that wipes itself.
#include "crypto/openssl_includes.h"
#include "crypto/pass_internal.h"

#include <cstring>

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

std::string KX_pass_subject(const PassRequest& request) {
    return request.entry.empty() ? request.path : "key '" + request.entry + "' in " + request.path;
}

namespace kx {

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
