// Asking for pass phrases (an input's source, a write's settings), and the algorithms a writer may need.
#pragma once

#include "crypto/kx.h"

namespace kx {

// The input's source's answer, or none when it has none or it gave up.
std::optional<SecretString> ask_input_pass(const KxInput& in, bool retry);

// OpenSSL's pem_password_cb over a SecretString passed as `u`.
int copy_pass_cb(char* buf, int size, int rwflag, void* u);

// Makes sure OpenSSL can run the named cipher or digest, loading the legacy provider (with the
// default one) the first time an algorithm is missing. False when it still cannot be had.
bool cipher_available(const char* name);
bool digest_available(const char* name);
// What a refusal names for an algorithm that cannot be had: its name, and what to install when only
// the legacy provider serves it and that provider could not be loaded.
std::string unsupported_detail(const std::string& name);

}  // namespace kx

#include "crypto/input_internal.h"

namespace kx {

enum class Attempt { Ok, Wrong, Failed };

// A provider that never gives up (a fixed wrong answer) must not hang the reader.
constexpr int kMaxPassAttempts = 32;

// Asks for the pass phrase of the input and calls `attempt(pass)`; after a wrong one asks again (saying
// so) until the source gives none, or after kMaxPassAttempts wrong ones. Records NoPassPhrase /
// WrongPassPhrase when it gives up; on Failed the attempt has recorded its own reason. The pass phrase
// that opened one object of the file is tried first on its other encrypted objects, so that the user is
// asked once per file, and again only when it does not fit.
template <class TryPass>
bool with_input_pass(KxInput& in, TryPass attempt) {
    bool retry = false;
    InputState& st = in.state();
    if (st.remembered) {
        switch (attempt(*st.remembered)) {
        case Attempt::Ok: return true;
        case Attempt::Failed: return false;
        case Attempt::Wrong: retry = true; break;
        }
    }
    for (int tries = 0;; ++tries) {
        if (tries == kMaxPassAttempts) {
            in.refuse({KxReadFailure::WrongPassPhrase, {}});
            return false;
        }
        std::optional<SecretString> pass = ask_input_pass(in, retry);
        if (!pass) {
            in.refuse({retry ? KxReadFailure::WrongPassPhrase : KxReadFailure::NoPassPhrase, {}});
            return false;
        }
        switch (attempt(*pass)) {
        case Attempt::Ok: st.remembered = std::move(pass); return true;
        case Attempt::Failed: return false;
        case Attempt::Wrong: retry = true; break;
        }
    }
}

}  // namespace kx
