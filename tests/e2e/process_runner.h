// Runs a program to its end for end-to-end tests: arguments, an optional
// working directory, captured stdout and stderr, the exit status, and a
// time-out after which the child is killed. A signal can be sent to the child
// once its output shows a given text (a Ctrl-C at a chosen step).
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
    bool signalSent = false;             // the signal of SignalOnOutput went out
    std::chrono::milliseconds wall{0};   // from start to exit
    std::chrono::milliseconds cpu{0};    // processor time it used (user + system)
};

struct ProcessOptions {
    std::string workingDirectory;  // "" = the test's own
    std::chrono::milliseconds timeout{30000};
    std::vector<std::string> environment{};  // "NAME=value" set for the child, over the test's own
};

// A signal sent to the child once, as soon as its stdout holds a text (or
// that much later).
struct SignalOnOutput {
    std::string text;
    int signal = 0;  // 0: none
    std::chrono::milliseconds after{0};
};

// Runs program (a path) with args; its stdin is /dev/null.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options = {}, const SignalOnOutput& trigger = {});

}  // namespace kq::testing
