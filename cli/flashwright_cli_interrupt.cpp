#include "flashwright_cli_interrupt.h"

#include <unistd.h>

#include <csignal>

#include "flashwright_cli_outcome.h"

namespace kq::cli {

namespace {

volatile std::sig_atomic_t stopRequested = 0;  // a Ctrl-C not yet taken by a pump
volatile std::sig_atomic_t stopPending = 0;    // a stop was asked for; the run has not ended
volatile std::sig_atomic_t wipeProgressLine = 0;

void writeAll(const char* text, size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, length);
        if (n <= 0) return;
        text += n;
        length -= size_t(n);
    }
}

// Only async-signal-safe calls in here. _exit closes every descriptor, the
// serial port among them, which also releases its lock.
void onInterrupt(int) {
    if (stopPending) {
        if (wipeProgressLine) writeAll("\r\x1b[K", 4);
        static constexpr char message[] = "flashwright-cli: stopped at once\n";
        writeAll(message, sizeof message - 1);
        ::_exit(ExitStopped);
    }
    stopPending = 1;
    stopRequested = 1;
}

}  // namespace

void installInterruptHandler(bool clearProgressLine) {
    stopRequested = 0;
    stopPending = 0;
    wipeProgressLine = clearProgressLine ? 1 : 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

void removeInterruptHandler() { std::signal(SIGINT, SIG_DFL); }

bool takeStopRequest() {
    if (!stopRequested) return false;
    stopRequested = 0;
    return true;
}

void markStopPending() { stopPending = 1; }

}  // namespace kq::cli
