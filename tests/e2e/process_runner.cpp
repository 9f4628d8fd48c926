#include "e2e/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace kq::testing {
namespace {

// Both ends of a pipe, closed when they go out of scope.
struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() {
        if (::pipe2(fds, O_CLOEXEC) != 0) fds[0] = fds[1] = -1;
    }
    ~Pipe() {
        closeEnd(0);
        closeEnd(1);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool valid() const { return fds[0] >= 0; }
    void closeEnd(int end) {
        if (fds[end] >= 0) ::close(fds[end]);
        fds[end] = -1;
    }
};

// Reads what is there; false once the pipe is at its end.
bool drain(int fd, std::string& into) {
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
        into.append(buffer, static_cast<size_t>(n));
        return true;
    }
    return n < 0 && (errno == EINTR || errno == EAGAIN);
}

}  // namespace

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options, const SignalOnOutput& trigger) {
    ProcessResult result;
    Pipe out, err, exec;  // exec: the child reports a failed chdir or exec on it
    if (!out.valid() || !err.valid() || !exec.valid()) return result;

    // Everything the child needs is prepared before the fork.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const char* dir = options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str();
    // The test's environment with the options' entries in place of their names'.
    std::vector<std::string> environment = options.environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('='));
        bool replaced = false;
        for (const std::string& own : options.environment) replaced = replaced || own.starts_with(name + "=");
        if (!replaced) environment.push_back(text);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0) return result;
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
        ::dup2(out.fds[1], STDOUT_FILENO);
        ::dup2(err.fds[1], STDERR_FILENO);
        if (dir == nullptr || ::chdir(dir) == 0) ::execve(program.c_str(), argv.data(), envp.data());
        const char failed = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(exec.fds[1], &failed, 1);
        ::_exit(127);
    }
    out.closeEnd(1);
    err.closeEnd(1);
    exec.closeEnd(1);

    const auto started = std::chrono::steady_clock::now();
    const auto deadline = started + options.timeout;
    bool outOpen = true, errOpen = true;
    std::optional<std::chrono::steady_clock::time_point> signalDue;  // the text came: the signal's time
    while (outOpen || errOpen) {
        const auto now = std::chrono::steady_clock::now();
        if (signalDue && !result.signalSent && now >= *signalDue) result.signalSent = ::kill(pid, trigger.signal) == 0;
        const auto until = signalDue && !result.signalSent ? std::min(deadline, *signalDue) : deadline;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now);
        if (until == deadline && left.count() <= 0) {
            ::kill(pid, SIGKILL);
            result.timedOut = true;
            break;
        }
        pollfd fds[2] = {{outOpen ? out.fds[0] : -1, POLLIN, 0}, {errOpen ? err.fds[0] : -1, POLLIN, 0}};
        if (::poll(fds, 2, static_cast<int>(std::max<int64_t>(0, left.count()))) < 0 && errno != EINTR) break;
        if (outOpen && fds[0].revents != 0) outOpen = drain(out.fds[0], result.out);
        if (errOpen && fds[1].revents != 0) errOpen = drain(err.fds[0], result.err);
        if (trigger.signal != 0 && !signalDue && result.out.find(trigger.text) != std::string::npos) {
            signalDue = std::chrono::steady_clock::now() + trigger.after;
        }
    }

    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.wall = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    const auto ms = [](const timeval& t) { return std::chrono::milliseconds(t.tv_sec * 1000 + t.tv_usec / 1000); };
    result.cpu = ms(usage.ru_utime) + ms(usage.ru_stime);
    char failed = 0;
    result.started = ::read(exec.fds[0], &failed, 1) != 1;
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

}  // namespace kq::testing
