// Atomic output files.
#include "crypto/atomic_file_internal.h"
#include "crypto/file_write_internal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <functional>
#include <string>

namespace kx {
namespace {

// Our named temporaries are older than this only when the writer died (kill -9, power failure).
constexpr time_t kStaleSeconds = 3600;

// Why the write under way failed, once it has.
struct Failure {
    std::string why;

    bool cannot_write(std::string reason) {
        why = std::move(reason);
        return false;
    }
    bool cannot_write_errno(int err) { return cannot_write(system_reason(err)); }
};

// Removes our own named temporaries of this target that a writer killed long ago left behind.
void remove_stale_temporaries(const WriteTarget& t) {
    DIR* d = ::opendir(t.dir.c_str());
    if (!d) return;
    const std::string prefix = temp_prefix(t);
    const time_t now = std::time(nullptr);
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name.size() != prefix.size() + kTempSuffix || name.compare(0, prefix.size(), prefix) != 0) continue;
        struct stat st {};
        if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || now - st.st_mtime < kStaleSeconds) continue;
        ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

std::string random_suffix() {
    static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char r[kTempSuffix] = {};
    if (::getrandom(r, sizeof r, 0) != static_cast<ssize_t>(sizeof r)) {
        const unsigned long mix = static_cast<unsigned long>(std::clock()) ^ static_cast<unsigned long>(::getpid());
        for (std::size_t i = 0; i < kTempSuffix; ++i) r[i] = static_cast<unsigned char>(mix >> (i * 5));
    }
    std::string s;
    for (unsigned char c : r) s += kChars[c % (sizeof kChars - 1)];
    return s;
}

// Writes the whole contents into the file it is given; false (errno set) on any failure.
using Contents = std::function<bool(int fd)>;

bool fill(int fd, const Contents& contents, bool secret) {
    // Not followed by fsync: the rename (or link) makes the new file appear whole or not at all, whatever
    // happens to this process; waiting for the disk would cost more than the whole conversion (several
    // milliseconds against a few), and durability across a power failure is left to the file system,
    // as with every other tool that writes these files.
    return ::fchmod(fd, secret ? 0600 : (0666 & ~current_umask())) == 0 && contents(fd);
}

enum class Unnamed { Written, Failed, Unavailable };

// Writes into a file without a name and links it into place, so that a writer killed half-way leaves
// nothing behind. Unavailable when the file system cannot (no O_TMPFILE, no /proc).
Unnamed write_unnamed(const WriteTarget& t, const Contents& contents, bool secret, Failure& f) {
    int fd = ::open(t.dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return Unnamed::Unavailable;
        f.cannot_write_errno(errno);
        return Unnamed::Failed;
    }
    if (!fill(fd, contents, secret)) {
        f.cannot_write_errno(errno);
        ::close(fd);
        return Unnamed::Failed;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    // A new target appears by the link itself; an existing one is replaced by a rename of a linked name.
    int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, t.path.c_str(), AT_SYMLINK_FOLLOW);
    int err = errno;
    const bool no_proc = linked != 0 && err == ENOENT && ::access("/proc/self/fd", F_OK) != 0;
    if (linked != 0 && err == EEXIST) {
        std::string named;
        for (int tries = 0; tries < 100 && linked != 0 && err == EEXIST; ++tries) {
            named = t.dir + "/" + temp_prefix(t) + random_suffix();
            linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW);
            err = errno;
        }
        if (linked == 0 && ::rename(named.c_str(), t.path.c_str()) != 0) {
            err = errno;
            linked = -1;
            ::unlink(named.c_str());
        }
    }
    ::close(fd);  // the data reached the file before it got its name; a late close error changes nothing
    if (linked == 0) return Unnamed::Written;
    if (no_proc) return Unnamed::Unavailable;
    f.cannot_write_errno(err);
    return Unnamed::Failed;
}

bool write_named(const WriteTarget& t, const Contents& contents, bool secret, Failure& f) {
    std::string tmp = t.dir + "/" + temp_prefix(t) + std::string(kTempSuffix, 'X');
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return f.cannot_write_errno(errno);
    bool ok = fill(fd, contents, secret);
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tmp.c_str(), t.path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        return f.cannot_write_errno(err);
    }
    return true;
}

bool write_to(const KxWriteSettings& to, const Contents& contents, bool secret, Failure& f) {
    WriteSignalsIgnored no_fatal_signals;
    if (to.fd >= 0) return contents(to.fd) || f.cannot_write_errno(errno);
    if (to.path.empty()) return f.cannot_write_errno(ENOENT);
    WriteTarget target;
    if (!resolve_target(to.path.c_str(), target, f.why)) return false;
    remove_stale_temporaries(target);
    switch (write_unnamed(target, contents, secret, f)) {
    case Unnamed::Written: return true;
    case Unnamed::Failed: return false;
    case Unnamed::Unavailable: break;
    }
    return write_named(target, contents, secret, f);
}

KxWriteOutcome write_contents(const KxWriteSettings& to, const Contents& contents, bool secret) {
    Failure f;
    if (write_to(to, contents, secret, f)) return {true, KxWriteFailure::None, {}};
    return {false, KxWriteFailure::CannotWrite, std::move(f.why)};
}

}  // namespace

KxWriteOutcome write_atomic(const KxWriteSettings& to, const unsigned char* data, std::size_t len, bool secret) {
    return write_contents(
        to, [&](int fd) { return write_all(fd, data, len); }, secret);
}

KxWriteOutcome write_atomic(const KxWriteSettings& to, const std::function<bool(BIO*)>& encode, bool secret) {
    return write_contents(
        to,
        [&](int fd) {
            BioPtr file(BIO_new_fd(fd, BIO_NOCLOSE));
            BioPtr buffer(BIO_new(BIO_f_buffer()));
            if (!file || !buffer) {
                errno = ENOMEM;
                return false;
            }
            BIO* chain = BIO_push(buffer.get(), file.release());  // the buffer owns the file BIO now
            errno = 0;
            ERR_set_mark();
            const bool ok = encode(chain) && BIO_flush(chain) == 1;
            const int err = errno;
            ERR_pop_to_mark();
            // A failure that is not the system's (no memory for the encoding) still needs a reason.
            errno = ok ? 0 : (err != 0 ? err : EIO);
            return ok;
        },
        secret);
}

KxWriteOutcome write_atomic(const KxWriteSettings& to, BIO* mem, bool secret) {
    char* data = nullptr;
    long n = BIO_get_mem_data(mem, &data);
    if (n < 0) return {false, KxWriteFailure::CannotWrite, "no data"};
    return write_atomic(to, reinterpret_cast<const unsigned char*>(data), static_cast<std::size_t>(n), secret);
}

}  // namespace kx
