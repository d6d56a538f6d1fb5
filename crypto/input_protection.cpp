// The protection facts of an input, read only from files that look protected so that plain inputs
// cost nothing more.
#include "crypto/input_internal.h"
#include "crypto/kx_protection.h"

#include <cstring>

namespace {

bool looks_protected(const kx::InputFile& file) {
    if (file.may_be(kx::kDerP12 | kx::kDerP8Enc)) return true;
    if (file.has_label({"ENCRYPTED PRIVATE KEY", "PKCS12"})) return true;
    // A traditional PEM key says so in its headers.
    static constexpr char kEncrypted[] = "Proc-Type: 4,ENCRYPTED";
    return !file.pem_labels.empty() &&
           memmem(file.bytes.data(), file.bytes.size(), kEncrypted, sizeof kEncrypted - 1) != nullptr;
}

}  // namespace

KxProtection KX_input_protection(KxInput& in) {
    // The file as read, if it could be: a file that cannot be read has no facts, and asking records nothing.
    const kx::InputFile* file = in.state().file.get();
    if (!file || !looks_protected(*file)) return {};
    return KX_read_protection(file->bytes);
}
