// kqsim as a child process, for the programs that drive it (the end-to-end
// tests, the soak): started with its request log and flash dump in a folder,
// ready once it printed its ready line, stopped with SIGTERM (then waited
// for) so that the dump is written. A parent that dies takes it along.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/unique_fd_posix.h"

namespace kq {

class KqsimProcess {
public:
    // program: the kqsim executable. folder: where the link (unless
    // defaultLink or linkPath), the request log and the dump go. defaultLink:
    // let kqsim link itself as ports/COMn beside its executable. linkPath: make
    // the link there instead of in folder.
    KqsimProcess(std::string program, std::string folder, std::vector<std::string> args, bool defaultLink = false,
                 const std::string& linkPath = {});
    ~KqsimProcess();  // stops it if still running
    KqsimProcess(const KqsimProcess&) = delete;
    KqsimProcess& operator=(const KqsimProcess&) = delete;

    // True when it printed its ready line; error() tells why not.
    bool ready() const { return ready_; }
    const std::string& error() const { return error_; }
    // What a flasher's --port takes: the link path, or "COMn" for a default link.
    const std::string& portName() const { return portName_; }
    // The pseudo-terminal behind the link (/dev/pts/N).
    const std::string& device() const { return device_; }

    // SIGTERM and wait for the exit (the dump is written by then). True when
    // it exited by itself with status 0 within the time allowed.
    bool stop();

    std::string logPath() const { return folder_ + "requests.jsonl"; }
    std::string dumpPath() const { return folder_ + "flash.bin"; }

private:
    bool readReadyLine(int fd, std::chrono::milliseconds timeout);

    std::string folder_;
    pid_t pid_ = -1;
    UniqueFd outFd_;  // its stdout, kept open while it runs
    bool ready_ = false;
    std::string error_;
    std::string portName_;
    std::string device_;
};

}  // namespace kq
