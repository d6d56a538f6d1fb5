// Times two commands doing the same job, alternating their runs so that a change in the machine's load
// hits both alike. For each command it prints the medians of wall time, CPU time (user + system) and
// peak resident memory (the rusage figure /usr/bin/time prints as %M).
//
//   quillon-bench-pair RUNS -- COMMAND... [-- COMMAND...]
//   output, one line per command: "<wall seconds> <cpu seconds> <peak KB>"
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Run {
    double wall = 0;
    double cpu = 0;
    long peakKb = 0;
};

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

double monotonic() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs the command with its output discarded; false when it could not run or did not exit with 0.
bool run_once(const std::vector<char*>& argv, Run& run) {
    const double start = monotonic();
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        const int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            dup2(devNull, STDIN_FILENO);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) return false;
    }
    run.wall = monotonic() - start;
    run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peakKb = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

template <typename T>
T median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
        std::fprintf(stderr, "usage: %s RUNS -- COMMAND... [-- COMMAND...]\n", argv[0]);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    std::vector<std::vector<char*>> commands(1);
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            commands.emplace_back();
            continue;
        }
        commands.back().push_back(argv[i]);
    }
    for (auto& command : commands) {
        if (command.empty()) {
            std::fprintf(stderr, "%s: an empty command\n", argv[0]);
            return 2;
        }
        command.push_back(nullptr);
    }

    // One unmeasured run each fills the file caches; then the commands take turns, the first of each
    // round alternating.
    Run ignored;
    for (const auto& command : commands) {
        if (!run_once(command, ignored)) {
            std::fprintf(stderr, "%s: '%s' failed\n", argv[0], command[0]);
            return 1;
        }
    }
    std::vector<std::vector<Run>> results(commands.size());
    for (int round = 0; round < runs; ++round) {
        for (std::size_t k = 0; k < commands.size(); ++k) {
            const std::size_t which = round % 2 ? commands.size() - 1 - k : k;
            Run run;
            if (!run_once(commands[which], run)) {
                std::fprintf(stderr, "%s: '%s' failed\n", argv[0], commands[which][0]);
                return 1;
            }
            results[which].push_back(run);
        }
    }
    for (const auto& runsOfCommand : results) {
        std::vector<double> wall, cpu;
        std::vector<long> peak;
        for (const Run& r : runsOfCommand) {
            wall.push_back(r.wall);
            cpu.push_back(r.cpu);
            peak.push_back(r.peakKb);
        }
        std::printf("%.6f %.6f %ld\n", median(wall), median(cpu), median(peak));
    }
    return 0;
}
