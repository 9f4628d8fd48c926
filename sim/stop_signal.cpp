#include "sim/stop_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace kq::sim {

namespace {

volatile std::sig_atomic_t stopFlag = 0;
int pipeFds[2] = {-1, -1};

extern "C" void onStopSignal(int) {
    const int saved = errno;
    stopFlag = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(pipeFds[1], &byte, 1);
    errno = saved;
}

}  // namespace

bool installStopSignals(std::string& error) {
    if (pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    struct sigaction action{};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: sleeps and polls end early with EINTR
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

bool stopRequested() { return stopFlag != 0; }

int stopSignalFd() { return pipeFds[0]; }

}  // namespace kq::sim
