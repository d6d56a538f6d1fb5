// Runs a program, or a function, in a child process under conditions a test sets (environment, umask,
// file-size limit, user, standard input) and collects its status and output. A generous watchdog ends
// a child that hangs, so a hang shows up as a failed row rather than a stuck suite.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hostile {

struct ChildOptions {
    std::vector<std::string> env;  // NAME=VALUE, added to (or replacing in) ours
    std::optional<mode_t> umask;
    std::optional<unsigned long> file_size_limit;  // RLIMIT_FSIZE in bytes, with SIGXFSZ ignored
    std::optional<unsigned long> memory_limit;     // RLIMIT_AS in bytes
    std::optional<uid_t> user;                     // run as this user (and its group id), when we are root
    std::string stdin_text;                        // then end of file
    std::filesystem::path cwd;                     // empty: ours
    int watchdog_seconds = 240;
    std::function<void(pid_t)> while_running;  // called once the child is started, before it is waited for
};

struct ChildResult {
    int exit_code = -1;  // -1 when it did not exit normally
    int signal = 0;      // the signal that ended it, if one did
    bool timed_out = false;
    std::string out;
    std::string err;
};

// Address-space limits cannot hold under AddressSanitizer, which reserves terabytes up front.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryLimitsWork = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMemoryLimitsWork = false;
#else
constexpr bool kMemoryLimitsWork = true;
#endif
#else
constexpr bool kMemoryLimitsWork = true;
#endif

// Runs argv[0] with the arguments. The child has no controlling terminal.
ChildResult run_program(const std::vector<std::string>& argv, const ChildOptions& options = {});

// Runs `body` in a forked copy of this process; its result is the exit code.
ChildResult run_forked(const std::function<int()>& body, const ChildOptions& options = {});

// The user id of "nobody" where there is one, for dropping privileges.
std::optional<uid_t> unprivileged_user();

}  // namespace hostile
