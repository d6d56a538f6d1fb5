// The pieces every writer of files here shares; see file_write_internal.h.
#include "crypto/file_write_internal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kx {

std::string system_reason(int err) {
    std::string why = std::strerror(err);
    if (why.size() > 1 && std::isupper(static_cast<unsigned char>(why[0])) &&
        std::islower(static_cast<unsigned char>(why[1])))
        why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
    return why;
}

mode_t current_umask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

bool write_all(int fd, const unsigned char* data, std::size_t len) {
    while (len > 0) {
        const ssize_t n = ::write(fd, data, len);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = EIO;
        if (n <= 0) return false;
        data += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

WriteSignalsIgnored::WriteSignalsIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    xfsz_ = ::sigaction(SIGXFSZ, &ignore, &previous_xfsz_) == 0;
    pipe_ = ::sigaction(SIGPIPE, &ignore, &previous_pipe_) == 0;
}

WriteSignalsIgnored::~WriteSignalsIgnored() {
    if (xfsz_) ::sigaction(SIGXFSZ, &previous_xfsz_, nullptr);
    if (pipe_) ::sigaction(SIGPIPE, &previous_pipe_, nullptr);
}

bool resolve_target(const char* path, WriteTarget& t, std::string& why) {
    std::string resolved = path;
    struct stat st {};
    if (::lstat(path, &st) == 0) {
        const bool link = S_ISLNK(st.st_mode);
        if (link && ::stat(path, &st) != 0) {
            why = errno == ENOENT ? "dangling symbolic link" : system_reason(errno);
            return false;
        }
        // Replacing a device, FIFO or socket by a file would break whatever else uses it.
        if (!S_ISREG(st.st_mode)) {
            why = "not a regular file";
            return false;
        }
        if (link) {
            char* real = ::realpath(path, nullptr);
            if (!real) {
                why = system_reason(errno);
                return false;
            }
            resolved = real;
            std::free(real);
        }
    } else if (errno != ENOENT) {
        why = system_reason(errno);
        return false;
    }
    const std::size_t slash = resolved.rfind('/');
    t.dir = slash == std::string::npos ? "." : slash == 0 ? "/" : resolved.substr(0, slash);
    t.base = slash == std::string::npos ? resolved : resolved.substr(slash + 1);
    if (t.base.empty() || t.base == "." || t.base == "..") {
        why = system_reason(EISDIR);
        return false;
    }
    t.path = resolved;
    return true;
}

std::string temp_prefix(const WriteTarget& t) { return "." + t.base.substr(0, 64) + ".tmp-"; }

}  // namespace kx
