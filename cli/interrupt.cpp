#include "cli/interrupt.h"

#include <atomic>

#include "cli/console.h"
#include "link/port_lock.h"
#include "production/outcome.h"

namespace kq::cli {

using namespace kq::production;

namespace {

// Set from a signal handler (POSIX) or the console's control thread (Windows).
std::atomic<bool> stopAsked{false};  // a Ctrl-C came: the runs are to stop
std::atomic<bool> wipeProgressLine{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flags are set inside a signal handler");

void onInterrupt() {
    if (stopAsked) {
        if (wipeProgressLine) console::writeErrorNow("\r\x1b[K");
        console::writeErrorNow("flashwright-cli: stopped at once\n");
        releasePortLocksNow();
        console::exitNow(ExitStopped);
    }
    stopAsked = true;
}

}  // namespace

void installInterruptHandler(bool clearProgressLine) {
    stopAsked = false;
    wipeProgressLine = clearProgressLine;
    console::callOnInterrupt(onInterrupt);
}

void removeInterruptHandler() {
    console::restoreDefaultInterrupt();
    stopAsked = false;
}

bool stopRequested() { return stopAsked; }

}  // namespace kq::cli
