// Measures the window's start-up: from just before the program is started until its first frame has
// been painted (headless, offscreen platform), with the resident memory at that moment. The probe
// library, preloaded into the program, reports the frame; see first_frame_probe.cpp.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kFrameTimeoutMs = 30'000;

long long monotonic_ns() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

struct Sample {
    double ms = 0;
    long rssKb = 0;
    long peakKb = 0;
};

// One start of the program; false when it showed no frame in time.
bool run_once(const char* app, const char* probe, Sample& sample) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    const std::string fdText = std::to_string(fds[1]);
    const long long start = monotonic_ns();
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        close(fds[0]);
        setenv("LD_PRELOAD", probe, 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("QUILLON_FIRST_FRAME_FD", fdText.c_str(), 1);
        // The platform's start-up chatter would drown the result.
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        execl(app, app, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string report;
    pollfd pfd{fds[0], POLLIN, 0};
    char buf[256];
    while (true) {
        const int ready = poll(&pfd, 1, kFrameTimeoutMs);
        if (ready <= 0) {
            kill(child, SIGKILL);  // no frame in time: end the program we started
            break;
        }
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        report.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {}
    long long frameNs = 0;
    if (std::sscanf(report.c_str(), "%lld %ld %ld", &frameNs, &sample.rssKb, &sample.peakKb) != 3) return false;
    sample.ms = static_cast<double>(frameNs - start) / 1e6;
    sample.peakKb = std::max(sample.peakKb, usage.ru_maxrss);
    return true;
}

template <typename T>
T median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s APP PROBE_LIBRARY RUNS\n", argv[0]);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[3]));
    std::vector<double> times;
    std::vector<long> rss, peak;
    Sample warm;
    run_once(argv[1], argv[2], warm);  // fills the file caches
    for (int i = 0; i < runs; ++i) {
        Sample s;
        if (!run_once(argv[1], argv[2], s)) {
            std::printf("the program showed no frame within %d ms\n", kFrameTimeoutMs);
            return 1;
        }
        times.push_back(s.ms);
        rss.push_back(s.rssKb);
        peak.push_back(s.peakKb);
    }
    std::printf(
        "window (offscreen), start to first frame: median %.1f ms (min %.1f, max %.1f, %d runs); "
        "resident at first frame %ld KB, peak %ld KB\n",
        median(times), *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
        runs, median(rss), median(peak));
    return 0;
}
