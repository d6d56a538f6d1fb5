// Runs quillon-cli as a child process with its own session (so it has no terminal to ask), feeding
// standard input and an optional extra descriptor, and collecting standard output and error.
#pragma once

#include <map>
#include <string>
#include <vector>

struct CliRun {
    std::vector<std::string> args;
    std::string stdinText;                   // written to the child's standard input, then closed
    std::map<std::string, std::string> env;  // set in the child on top of ours
    std::vector<std::string> unsetEnv;       // removed in the child
    int extraFd = -1;                        // when >= 0, a pipe at this descriptor holding extraFdText
    std::string extraFdText;
};

struct CliResult {
    int status = -1;  // exit status, or -1 when the child did not exit normally
    std::string out;
    std::string err;
};

CliResult RunCli(const CliRun& run);
CliResult RunCli(std::vector<std::string> args);
