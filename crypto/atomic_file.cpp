// Atomic output files.
#include "crypto/atomic_file_internal.h"
#include "crypto/errors_internal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace kx {
namespace {

mode_t current_umask() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

bool write_all(int fd, const unsigned char* data, std::size_t len) {
    while (len > 0) {
        ssize_t n = ::write(fd, data, len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

// While an output is written, a file-size limit makes write() fail (and the temporary file get
// removed) instead of killing the process with SIGXFSZ and leaving the temporary file behind.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        active_ = ::sigaction(SIGXFSZ, &ignore, &previous_) == 0;
    }
    ~FileSizeSignalIgnored() {
        if (active_) ::sigaction(SIGXFSZ, &previous_, nullptr);
    }
    FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
    FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
    struct sigaction previous_ {};
    bool active_ = false;
};

bool cannot_write() {
    fail_write(KxWriteFailure::CannotWrite);
    return false;
}

}  // namespace

bool write_atomic(const char* path, const unsigned char* data, std::size_t len, bool secret) {
    if (!path || !*path) return cannot_write();
    std::filesystem::path target(path);
    std::string base = target.filename().string();
    if (base.empty() || base == "." || base == "..") return cannot_write();
    std::filesystem::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    // Hidden, and short enough to stay a valid name beside any target.
    std::string tmp = (dir / ("." + base.substr(0, 64) + ".tmp-XXXXXX")).string();
    FileSizeSignalIgnored no_sigxfsz;
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return cannot_write();
    // The rename makes the new file appear whole or not at all, whatever happens to this process. It is
    // not followed by fsync: waiting for the disk would cost more than the whole conversion (several
    // milliseconds against a few), and durability across a power failure is left to the file system,
    // as with every other tool that writes these files.
    bool ok = ::fchmod(fd, secret ? 0600 : (0666 & ~current_umask())) == 0 && write_all(fd, data, len);
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(tmp.c_str(), path) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return cannot_write();
    }
    return true;
}

bool write_atomic(const char* path, BIO* mem, bool secret) {
    char* data = nullptr;
    long n = BIO_get_mem_data(mem, &data);
    if (n < 0) return cannot_write();
    return write_atomic(path, reinterpret_cast<const unsigned char*>(data), static_cast<std::size_t>(n), secret);
}

}  // namespace kx
