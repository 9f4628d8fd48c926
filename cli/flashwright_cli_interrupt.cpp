#include "flashwright_cli_interrupt.h"

#include <atomic>

#include "cli/console.h"
#include "flashwright_cli_outcome.h"

namespace kq::cli {

namespace {

// Set from a signal handler (POSIX) or the console's control thread (Windows).
std::atomic<bool> stopRequested{false};  // a Ctrl-C not yet taken by a pump
std::atomic<bool> stopPending{false};    // a stop was asked for; the run has not ended
std::atomic<bool> wipeProgressLine{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flags are set inside a signal handler");

void onInterrupt() {
    if (stopPending) {
        if (wipeProgressLine) console::writeErrorNow("\r\x1b[K");
        console::writeErrorNow("flashwright-cli: stopped at once\n");
        console::exitNow(ExitStopped);
    }
    stopPending = true;
    stopRequested = true;
}

}  // namespace

void installInterruptHandler(bool clearProgressLine) {
    stopRequested = false;
    stopPending = false;
    wipeProgressLine = clearProgressLine;
    console::callOnInterrupt(onInterrupt);
}

void removeInterruptHandler() { console::restoreDefaultInterrupt(); }

bool takeStopRequest() { return stopRequested.exchange(false); }

void markStopPending() { stopPending = true; }

}  // namespace kq::cli
