// The simulated module as a child process for end-to-end tests: starts kqsim
// with its request log and flash dump in a folder of the test, waits for its
// ready line, and stops it (SIGTERM, then waits) before the dump is read.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "e2e/request_records.h"

namespace kq::testing {

class SimProcess {
public:
    // folder: where the link (unless defaultLink), the request log and the dump
    // go. defaultLink: let kqsim link itself as ports/COMn beside the binaries.
    SimProcess(std::string folder, std::vector<std::string> args, bool defaultLink = false);
    ~SimProcess();  // stops it if still running
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // True when it printed its ready line; error() tells why not.
    bool ready() const { return ready_; }
    const std::string& error() const { return error_; }
    // What the flasher's --port takes: the link path, or "COMn" for a default link.
    const std::string& portName() const { return portName_; }
    // The pseudo-terminal behind the link (/dev/pts/N).
    const std::string& device() const { return device_; }

    // SIGTERM and wait for the exit (the dump is written by then). True when
    // it exited by itself with status 0 within the time allowed.
    bool stop();

    // The requests it logged so far (complete lines only).
    std::vector<RequestRecord> requests() const;
    // The whole flash as written at exit (call stop() first).
    std::vector<uint8_t> flashDump() const;
    std::string logPath() const { return folder_ + "requests.jsonl"; }
    std::string dumpPath() const { return folder_ + "flash.bin"; }

private:
    bool readReadyLine(int fd, std::chrono::milliseconds timeout);

    std::string folder_;
    pid_t pid_ = -1;
    int outFd_ = -1;  // its stdout, kept open while it runs
    bool ready_ = false;
    std::string error_;
    std::string portName_;
    std::string device_;
};

}  // namespace kq::testing
