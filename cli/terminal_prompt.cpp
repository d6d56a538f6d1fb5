#include "cli/terminal_prompt.h"

#include "cli/pass_sources.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <csignal>

namespace {

// While echo is off, a signal that ends the program must give the terminal its echo back first.
int g_ttyFd = -1;
struct termios g_savedMode;

void RestoreAndReraise(int sig) {
    if (g_ttyFd >= 0) tcsetattr(g_ttyFd, TCSANOW, &g_savedMode);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

void WriteAll(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n <= 0) return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

class Terminal {
public:
    Terminal() : fd_(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~Terminal() {
        if (fd_ >= 0) ::close(fd_);
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::optional<SecretString> TerminalPrompt::Ask(const std::string& prompt) {
    Terminal tty;
    if (tty.fd() < 0) return std::nullopt;
    struct termios mode;
    if (tcgetattr(tty.fd(), &mode) != 0) return std::nullopt;

    g_savedMode = mode;
    g_ttyFd = tty.fd();
    struct sigaction previous[std::size(kEndingSignals)];
    struct sigaction restore = {};
    restore.sa_handler = RestoreAndReraise;
    sigemptyset(&restore.sa_mask);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) sigaction(kEndingSignals[i], &restore, &previous[i]);

    struct termios silent = mode;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
    silent.c_lflag |= ICANON;
    tcsetattr(tty.fd(), TCSANOW, &silent);

    WriteAll(tty.fd(), prompt);
    std::string error;
    std::optional<SecretString> answer = ReadSecretLine(tty.fd(), &error);
    WriteAll(tty.fd(), "\n");

    tcsetattr(tty.fd(), TCSANOW, &mode);
    g_ttyFd = -1;
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) sigaction(kEndingSignals[i], &previous[i], nullptr);
    return answer;
}

void TerminalPrompt::Tell(const std::string& text) {
    Terminal tty;
    if (tty.fd() >= 0) WriteAll(tty.fd(), text + "\n");
}
