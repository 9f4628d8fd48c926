// Runs a program to its end for end-to-end tests: arguments, an optional
// working directory, captured stdout and stderr, the exit status, and a
// time-out after which the child is killed.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace kq::testing {

struct ProcessResult {
    bool started = false;   // false: the program could not be run at all
    bool timedOut = false;  // killed after the time-out
    int exitCode = -1;      // exit status when it exited normally, else -1
    int signal = 0;         // the signal that ended it, else 0
    std::string out;        // everything it wrote to stdout
    std::string err;        // everything it wrote to stderr
};

struct ProcessOptions {
    std::string workingDirectory;  // "" = the test's own
    std::chrono::milliseconds timeout{30000};
};

// Runs program (a path) with args; its stdin is /dev/null.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options = {});

}  // namespace kq::testing
