// The pieces every writer of files here shares: the system's reason as a log line says it, where a
// target's bytes really go, its temporaries' names, and writes that neither a file-size limit nor a
// closed pipe can turn into a killed process with a temporary left behind.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace kx {

// strerror(err) as a log line continues it: "no space left on device".
std::string system_reason(int err);

// The umask, read without changing it.
mode_t current_umask();

// Writes everything; false (errno set) on any failure. Retries after EINTR.
bool write_all(int fd, const unsigned char* data, std::size_t len);

// While an output is written, SIGXFSZ and SIGPIPE make write() fail instead of killing the process.
class WriteSignalsIgnored {
public:
    WriteSignalsIgnored();
    ~WriteSignalsIgnored();
    WriteSignalsIgnored(const WriteSignalsIgnored&) = delete;
    WriteSignalsIgnored& operator=(const WriteSignalsIgnored&) = delete;

private:
    struct sigaction previous_xfsz_ {};
    struct sigaction previous_pipe_ {};
    bool xfsz_ = false;
    bool pipe_ = false;
};

// Where the bytes go: the named file itself, or for a symbolic link the regular file it leads to.
struct WriteTarget {
    std::string dir;   // the folder the file is replaced in
    std::string base;  // its name there
    std::string path;  // dir/base
};
// False with `why` set when the path cannot take a file: a dangling link, something that is not a
// regular file (a device, FIFO, socket or folder), or a name that is no file's.
bool resolve_target(const char* path, WriteTarget& target, std::string& why);

// Our temporaries beside a target: hidden, and short enough to stay a valid name beside any target;
// this prefix and kTempSuffix random characters.
std::string temp_prefix(const WriteTarget& target);
constexpr std::size_t kTempSuffix = 6;

}  // namespace kx
