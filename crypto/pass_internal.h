// Asking the installed pass-phrase provider, and the algorithms a writer may need.
#pragma once

#include "crypto/kx.h"

namespace kx {

// The provider's answer, or none when no provider is installed or it gave up.
std::optional<SecretString> ask_pass(PassPurpose purpose, const char* path, bool retry);

// OpenSSL's pem_password_cb over a SecretString passed as `u`.
int copy_pass_cb(char* buf, int size, int rwflag, void* u);

// Makes sure OpenSSL can run the named cipher or digest, loading the legacy provider (with the
// default one) the first time an algorithm is missing. False when it still cannot be had.
bool cipher_available(const char* name);
bool digest_available(const char* name);

}  // namespace kx

#include "crypto/errors_internal.h"

namespace kx {

enum class Attempt { Ok, Wrong, Failed };

// While one lives, the pass phrase that opened one object of a file is tried first on the file's other
// encrypted objects, so that the user is asked once per file, and again only when it does not fit.
class FilePassMemory {
public:
    FilePassMemory();
    ~FilePassMemory();
    FilePassMemory(const FilePassMemory&) = delete;
    FilePassMemory& operator=(const FilePassMemory&) = delete;
};
// The pass phrase remembered for the file being read, or null.
const SecretString* remembered_pass();
void remember_pass(const SecretString& pass);

// A provider that never gives up (a fixed wrong answer) must not hang the reader.
constexpr int kMaxPassAttempts = 32;

// Asks for the pass phrase of the input at `path` and calls `attempt(pass)`; after a wrong one asks
// again (saying so) until the provider gives none, or after kMaxPassAttempts wrong ones. Records
// NoPassPhrase / WrongPassPhrase when it gives up; on Failed the attempt has recorded its own reason.
template <class TryPass>
bool with_input_pass(const char* path, TryPass attempt) {
    bool retry = false;
    if (const SecretString* known = remembered_pass()) {
        switch (attempt(*known)) {
        case Attempt::Ok: return true;
        case Attempt::Failed: return false;
        case Attempt::Wrong: retry = true; break;
        }
    }
    for (int tries = 0;; ++tries) {
        if (tries == kMaxPassAttempts) {
            fail_read(KxReadFailure::WrongPassPhrase);
            return false;
        }
        std::optional<SecretString> pass = ask_pass(PassPurpose::OpenInput, path, retry);
        if (!pass) {
            fail_read(retry ? KxReadFailure::WrongPassPhrase : KxReadFailure::NoPassPhrase);
            return false;
        }
        switch (attempt(*pass)) {
        case Attempt::Ok: remember_pass(*pass); return true;
        case Attempt::Failed: return false;
        case Attempt::Wrong: retry = true; break;
        }
    }
}

}  // namespace kx
