#include "support/kqsim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <thread>

#include "support/whole_file_text.h"

namespace kq {

namespace {

constexpr std::string_view ReadyPrefix = "kqsim: ready on ";
constexpr auto ReadyTimeout = std::chrono::seconds(10);  // generous: the machine may be busy
constexpr auto StopTimeout = std::chrono::seconds(10);

}  // namespace

KqsimProcess::KqsimProcess(std::string program, std::string folder, std::vector<std::string> args, bool defaultLink,
                           const std::string& linkPath)
    : folder_(std::move(folder)) {
    if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
    std::vector<std::string> all = {std::move(program), "--log", logPath(), "--dump", dumpPath()};
    if (!defaultLink) all.insert(all.end(), {"--link", linkPath.empty() ? folder_ + "COM" : linkPath});
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string errPath = folder_ + "sim.err";

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return;
    }
    const pid_t parentPid = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
        // A parent that dies (a crash, a ctest time-out) takes its module with
        // it, so that no stray simulator keeps a link or a ports/ number.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parentPid) ::_exit(127);
        const int devNull = ::open("/dev/null", O_RDONLY);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
        if (err >= 0) ::dup2(err, STDERR_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    outFd_.reset(out[0]);
    if (pid_ < 0) {
        error_ = "fork failed";
        return;
    }
    ready_ = readReadyLine(outFd_.get(), ReadyTimeout);
    if (!ready_) error_ += " (kqsim stderr: " + test::wholeFileText(errPath) + ")";
}

KqsimProcess::~KqsimProcess() {
    stop();
}

bool KqsimProcess::readReadyLine(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string text;
    while (text.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            error_ = "no ready line in time";
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) return false;
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            error_ = "kqsim ended before it was ready";
            return false;
        }
        if (n > 0) text.append(buffer, static_cast<size_t>(n));
    }
    // "kqsim: ready on NAME (/dev/pts/N)"
    const std::string line = text.substr(0, text.find('\n'));
    const size_t open = line.rfind(" (");
    if (!line.starts_with(ReadyPrefix) || open == std::string::npos || !line.ends_with(")")) {
        error_ = "unexpected ready line: " + line;
        return false;
    }
    portName_ = line.substr(ReadyPrefix.size(), open - ReadyPrefix.size());
    device_ = line.substr(open + 2, line.size() - open - 3);
    return true;
}

bool KqsimProcess::stop() {
    if (pid_ <= 0) return false;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + StopTimeout;
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(pid_, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (done == 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return done > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace kq
