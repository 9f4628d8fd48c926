// A simulated module (kqsim) as a child process of the soak: started with its
// fault arguments and a flash dump path, ready once it printed its line, and
// stopped with SIGTERM so that the dump is written.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kq::soak {

class SimulatedModule {
public:
    SimulatedModule(const std::string& program, const std::string& folder, const std::vector<std::string>& args);
    ~SimulatedModule();  // stops it if still running
    SimulatedModule(const SimulatedModule&) = delete;
    SimulatedModule& operator=(const SimulatedModule&) = delete;

    bool ready() const { return ready_; }
    const std::string& error() const { return error_; }
    const std::string& link() const { return link_; }      // the link it made
    const std::string& device() const { return device_; }  // the pseudo-terminal behind it
    std::string dumpPath() const { return folder_ + "/flash.bin"; }

    // SIGTERM and wait; true when it exited by itself with status 0.
    bool stop();

private:
    void readReadyLine();

    std::string folder_;
    std::string link_;
    pid_t pid_ = -1;
    int outFd_ = -1;
    bool ready_ = false;
    std::string error_;
    std::string device_;
};

}  // namespace kq::soak
