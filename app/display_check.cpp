// A connection attempt to the display server's socket, with a short time-out; nothing is sent.
#include "app/display_check.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kTimeoutMs = 2000;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool ConnectWithin(int fd, const sockaddr* address, socklen_t length) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (::connect(fd, address, length) == 0) return true;
    if (errno != EINPROGRESS && errno != EAGAIN) return false;
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, kTimeoutMs) != 1) return false;
    int error = 0;
    socklen_t size = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

// A socket path, or on Linux an abstract name when it starts with '@'.
bool UnixAnswers(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    if (path[0] == '@') address.sun_path[0] = '\0';
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool ok = ConnectWithin(fd, reinterpret_cast<const sockaddr*>(&address),
                            static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size()));
    ::close(fd);
    return ok;
}

bool TcpAnswers(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    bool ok = false;
    for (addrinfo* a = found; a && !ok; a = a->ai_next) {
        int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        ok = ConnectWithin(fd, a->ai_addr, a->ai_addrlen);
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return ok;
}

// DISPLAY is [host]:number[.screen]; no host (or "unix") means the local socket of that number.
bool X11Answers(const std::string& display) {
    std::size_t colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    if (display[0] == '/') return UnixAnswers(display.substr(0, colon));  // a socket path given whole
    const std::string host = display.substr(0, colon);
    const int number = std::atoi(display.c_str() + colon + 1);
    if (host.empty() || host == "unix") {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        return UnixAnswers(socket) || UnixAnswers("@" + socket);
    }
    return TcpAnswers(host, 6000 + number);
}

bool WaylandAnswers(const std::string& name) {
    if (name.empty()) return false;
    if (name[0] == '/') return UnixAnswers(name);
    const std::string runtime = Env("XDG_RUNTIME_DIR");
    return !runtime.empty() && UnixAnswers(runtime + "/" + name);
}

}  // namespace

bool DisplayAnswers(std::string* why) {
    std::string platform = Env("QT_QPA_PLATFORM");
    platform = platform.substr(0, platform.find(':'));
    const std::string x11 = Env("DISPLAY");
    const std::string wayland = Env("WAYLAND_DISPLAY");
    const bool wantsX11 = platform.empty() || platform == "xcb";
    const bool wantsWayland = platform.empty() || platform.rfind("wayland", 0) == 0;
    if (!wantsX11 && !wantsWayland) return true;  // offscreen, minimal, vnc, ...: no server to ask
    // Without a platform named, Qt takes whichever of the two is there.
    if (wantsWayland && !wayland.empty() && WaylandAnswers(wayland)) return true;
    if (wantsX11 && !x11.empty() && X11Answers(x11)) return true;
    if (why) {
        std::string named;
        if (wantsWayland && !wayland.empty()) named = "WAYLAND_DISPLAY=" + wayland;
        if (wantsX11 && !x11.empty()) named += (named.empty() ? "" : ", ") + std::string("DISPLAY=") + x11;
        *why = named.empty() ? "no display named" : named;
    }
    return false;
}
