// The all-or-nothing writer of a set of files.
#include "crypto/file_set.h"

#include "crypto/file_write_internal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

struct Pending {
    kx::WriteTarget target;  // where the file's bytes go (a link's own file, for a link)
    std::string temporary;   // empty until made
};

bool MakeTemporary(Pending& pending, const SetFile& file, std::string& why) {
    std::string tmp = pending.target.dir + "/" + kx::temp_prefix(pending.target) + std::string(kx::kTempSuffix, 'X');
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        why = kx::system_reason(errno);
        return false;
    }
    pending.temporary = tmp;
    const std::string& bytes = file.contents.str();
    bool ok = ::fchmod(fd, file.holds_key ? 0600 : (0666 & ~kx::current_umask())) == 0 &&
              kx::write_all(fd, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) why = kx::system_reason(err);
    return ok;
}

void RemoveTemporaries(const std::vector<Pending>& pending) {
    for (const Pending& p : pending)
        if (!p.temporary.empty()) ::unlink(p.temporary.c_str());
}

}  // namespace

SetOutcome WriteFileSet(const std::string& folder, const std::vector<SetFile>& files) {
    SetOutcome outcome;
    kx::WriteSignalsIgnored no_fatal_signals;
    const std::string prefix = folder.empty() ? "./" : folder.ends_with('/') ? folder : folder + "/";
    std::vector<Pending> pending(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = prefix + files[i].name;
        if (!kx::resolve_target(path.c_str(), pending[i].target, outcome.reason)) {
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
        if (::rename(pending[i].temporary.c_str(), pending[i].target.path.c_str()) == 0) {
            pending[i].temporary.clear();
            continue;
        }
        outcome.reason = kx::system_reason(errno);
        outcome.failed_file = prefix + files[i].name;
        RemoveTemporaries(pending);
        return outcome;
    }
    outcome.written = true;
    return outcome;
}
