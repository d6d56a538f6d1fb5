// Preloaded into the window's process when its start-up is measured (never linked into Quillon): once
// the first top-level frame has been painted it reports the clock and the resident memory on the pipe
// named by QUILLON_FIRST_FRAME_FD, then ends the process.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// "VmRSS:   12345 kB" -> 12345; 0 when the line is missing.
long status_kb(const char* field) {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    long kb = 0;
    const size_t len = std::strlen(field);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, len) == 0 && line[len] == ':') {
            kb = std::strtol(line + len + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return kb;
}

void report_and_exit(int fd) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    char text[128];
    const int len = std::snprintf(text, sizeof text, "%lld %ld %ld\n",
                                  static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec,
                                  status_kb("VmRSS"), status_kb("VmHWM"));
    if (write(fd, text, static_cast<size_t>(len)) != len) _exit(3);
    _exit(0);
}

class FirstFrameFilter : public QObject {
public:
    explicit FirstFrameFilter(int fd) : fd_(fd) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            seen_ = true;
            // The paint of the window and its children, and the flush to the surface, finish before
            // the event loop runs this.
            const int fd = fd_;
            QTimer::singleShot(0, [fd] { report_and_exit(fd); });
        }
        return false;
    }

private:
    int fd_;
    bool seen_ = false;
};

void install_probe() {
    const char* fdText = std::getenv("QUILLON_FIRST_FRAME_FD");
    if (!fdText || !QCoreApplication::instance()) return;
    const int fd = std::atoi(fdText);
    QCoreApplication::instance()->installEventFilter(new FirstFrameFilter(fd));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(install_probe)
