#include "tests/hostile/child_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace hostile {
namespace {

// Everything the child does before it runs what it was given; on failure it exits with 125.
void enter_conditions(const ChildOptions& o) {
    setsid();  // no controlling terminal: a prompt can never wait for a person
    if (o.umask) ::umask(*o.umask);
    if (o.file_size_limit) {
        signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG instead of killing
        rlimit lim{*o.file_size_limit, *o.file_size_limit};
        if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(125);
    }
    if (o.memory_limit) {
        rlimit lim{*o.memory_limit, *o.memory_limit};
        if (setrlimit(RLIMIT_AS, &lim) != 0) _exit(125);
    }
    if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0) _exit(125);
    if (o.user) {
        passwd* pw = getpwuid(*o.user);
        gid_t gid = pw ? pw->pw_gid : static_cast<gid_t>(*o.user);
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(*o.user) != 0) _exit(125);
    }
    for (const auto& kv : o.env) putenv(const_cast<char*>(kv.c_str()));  // the child's copy only
}

ChildResult run(const std::function<void()>& in_child, const ChildOptions& o) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) throw std::runtime_error("pipe failed");
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        enter_conditions(o);
        in_child();
        _exit(126);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    // Small inputs fit the pipe; a child that does not read them is not waited for.
    signal(SIGPIPE, SIG_IGN);
    if (!o.stdin_text.empty()) {
        ssize_t ignored = write(in[1], o.stdin_text.data(), o.stdin_text.size());
        (void)ignored;
    }
    close(in[1]);
    if (o.while_running) o.while_running(pid);

    ChildResult r;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(o.watchdog_seconds);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    int open_fds = 2;
    while (open_fds > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            r.timed_out = true;
            kill(pid, SIGKILL);
            break;
        }
        int n = poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (n < 0 && errno == EINTR) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[65536];
            ssize_t got = read(fds[i].fd, buf, sizeof buf);
            if (got > 0) {
                sinks[i]->append(buf, static_cast<size_t>(got));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_fds;
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    return r;
}

}  // namespace

ChildResult run_program(const std::vector<std::string>& argv, const ChildOptions& options) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    return run([&] { execve(args[0], args.data(), environ); }, options);
}

ChildResult run_forked(const std::function<int()>& body, const ChildOptions& options) {
    return run([&] { _exit(body()); }, options);
}

std::optional<uid_t> unprivileged_user() {
    if (passwd* pw = getpwnam("nobody")) return pw->pw_uid;
    return std::nullopt;
}

}  // namespace hostile
