#include "bench/soak_module.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace kq::soak {

namespace {
constexpr int ReadyTimeoutMs = 10000;  // a busy machine may start it slowly
constexpr auto StopTimeout = std::chrono::seconds(10);
constexpr std::string_view ReadyPrefix = "kqsim: ready on ";
}  // namespace

SimulatedModule::SimulatedModule(const std::string& program, const std::string& folder,
                                 const std::vector<std::string>& args)
    : folder_(folder), link_(folder + "/COM") {
    std::vector<std::string> all = {program, "--link", link_, "--dump", dumpPath()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return;
    }
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive the soak
        if (::getppid() != parent) ::_exit(127);
        const int devNull = ::open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            ::dup2(devNull, STDIN_FILENO);
            ::dup2(devNull, STDERR_FILENO);
        }
        ::dup2(out[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    outFd_ = out[0];
    if (pid_ < 0) {
        error_ = "fork failed";
        return;
    }
    readReadyLine();
}

SimulatedModule::~SimulatedModule() {
    stop();
    if (outFd_ >= 0) ::close(outFd_);
}

void SimulatedModule::readReadyLine() {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ReadyTimeoutMs);
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            error_ = "no ready line in time";
            return;
        }
        pollfd p{outFd_, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) < 0 && errno != EINTR) return;
        char buffer[256];
        const ssize_t n = ::read(outFd_, buffer, sizeof buffer);
        if (n == 0) {
            error_ = "kqsim ended before it was ready";
            return;
        }
        if (n > 0) text.append(buffer, size_t(n));
    }
    // "kqsim: ready on NAME (/dev/pts/N)"
    const std::string line = text.substr(0, text.find('\n'));
    const size_t open = line.rfind(" (");
    if (!line.starts_with(ReadyPrefix) || open == std::string::npos || !line.ends_with(")")) {
        error_ = "unexpected ready line: " + line;
        return;
    }
    device_ = line.substr(open + 2, line.size() - open - 3);
    ready_ = true;
}

bool SimulatedModule::stop() {
    if (pid_ <= 0) return false;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + StopTimeout;
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(pid_, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (done == 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return done > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace kq::soak
