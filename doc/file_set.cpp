// The all-or-nothing writer of a set of files.
#include "doc/file_set.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string SystemReason(int err) {
    std::string why = std::strerror(err);
    if (why.size() > 1 && std::isupper(static_cast<unsigned char>(why[0])) &&
        std::islower(static_cast<unsigned char>(why[1])))
        why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
    return why;
}

// While the set is written, a file-size limit makes write() fail (and the temporaries get removed)
// instead of killing the process with the temporaries left behind.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        set_ = ::sigaction(SIGXFSZ, &ignore, &previous_) == 0;
    }
    ~FileSizeSignalIgnored() {
        if (set_) ::sigaction(SIGXFSZ, &previous_, nullptr);
    }
    FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
    FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
    struct sigaction previous_ {};
    bool set_ = false;
};

struct Pending {
    std::string target;     // the path renamed onto (a link's own file, for a link)
    std::string temporary;  // empty until made
};

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

bool WriteAll(int fd, const std::string& data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = EIO;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Where the file's bytes go: the path itself, or the regular file a link leads to. Empty with errno
// (or `why`) set when the target cannot take a file.
std::string ResolveTarget(const std::string& path, std::string& why) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return path;
        why = SystemReason(errno);
        return {};
    }
    if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) != 0) {
        why = errno == ENOENT ? "dangling symbolic link" : SystemReason(errno);
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
        return {};
    }
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) {
        why = SystemReason(errno);
        return {};
    }
    std::string resolved = real;
    std::free(real);
    return resolved;
}

bool MakeTemporary(Pending& pending, const SetFile& file, std::string& why) {
    const std::size_t slash = pending.target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : pending.target.substr(0, slash == 0 ? 1 : slash);
    const std::string base = slash == std::string::npos ? pending.target : pending.target.substr(slash + 1);
    std::string tmp = (dir == "/" ? dir : dir + "/") + "." + base.substr(0, 64) + ".tmp-XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        why = SystemReason(errno);
        return false;
    }
    pending.temporary = tmp;
    bool ok = ::fchmod(fd, file.holds_key ? 0600 : (0666 & ~CurrentUmask())) == 0 && WriteAll(fd, file.contents.str());
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) why = SystemReason(err);
    return ok;
}

void RemoveTemporaries(const std::vector<Pending>& pending) {
    for (const Pending& p : pending)
        if (!p.temporary.empty()) ::unlink(p.temporary.c_str());
}

}  // namespace

SetOutcome WriteFileSet(const std::string& folder, const std::vector<SetFile>& files) {
    SetOutcome outcome;
    FileSizeSignalIgnored no_fatal_signal;
    const std::string prefix = folder.empty() ? "./" : folder.ends_with('/') ? folder : folder + "/";
    std::vector<Pending> pending(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = prefix + files[i].name;
        pending[i].target = ResolveTarget(path, outcome.reason);
        if (pending[i].target.empty()) {
            outcome.failed_file = path;
            return outcome;  // nothing made yet
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (MakeTemporary(pending[i], files[i], outcome.reason)) continue;
        outcome.failed_file = prefix + files[i].name;
        RemoveTemporaries(pending);
        return outcome;
    }
    // A rename within one folder does not fail for want of space or permission once the temporary
    // exists there; should one fail all the same, the files renamed before it stay new.
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (::rename(pending[i].temporary.c_str(), pending[i].target.c_str()) == 0) {
            pending[i].temporary.clear();
            continue;
        }
        outcome.reason = SystemReason(errno);
        outcome.failed_file = prefix + files[i].name;
        RemoveTemporaries(pending);
        return outcome;
    }
    outcome.written = true;
    return outcome;
}
