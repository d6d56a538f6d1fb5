#include "tests/cli/cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

namespace {

// A pipe whose write end is filled with `text` and closed, so the reader sees the text, then the end.
// Texts in these tests are far below the pipe's buffer, so nothing blocks.
int PrefilledPipe(const std::string& text) {
    int fds[2];
    if (pipe(fds) != 0) std::abort();
    if (!text.empty() && write(fds[1], text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
    close(fds[1]);
    return fds[0];
}

}  // namespace

CliResult RunCli(std::vector<std::string> args) {
    CliRun run;
    run.args = std::move(args);
    return RunCli(run);
}

CliResult RunCli(const CliRun& run) {
    int in = PrefilledPipe(run.stdinText);
    int extra = run.extraFd >= 0 ? PrefilledPipe(run.extraFdText) : -1;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) std::abort();

    std::vector<std::string> argvStrings;
    argvStrings.push_back(QUILLON_CLI_PATH);
    argvStrings.insert(argvStrings.end(), run.args.begin(), run.args.end());
    std::vector<char*> argv;
    for (std::string& s : argvStrings) argv.push_back(s.data());
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid == 0) {
        setsid();  // no controlling terminal: nobody can be asked for a pass phrase
        dup2(in, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        if (extra >= 0) {
            if (extra != run.extraFd) {
                dup2(extra, run.extraFd);
                close(extra);
            }
        }
        for (int fd : {in, out[0], out[1], err[0], err[1]}) {
            if (fd > 2 && fd != run.extraFd) close(fd);
        }
        for (const auto& [name, value] : run.env) setenv(name.c_str(), value.c_str(), 1);
        for (const std::string& name : run.unsetEnv) unsetenv(name.c_str());
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in);
    if (extra >= 0) close(extra);
    close(out[1]);
    close(err[1]);

    CliResult result;
    struct pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[4096];
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
