// Ctrl-Break on a Windows console asks for a stop as Ctrl-C does (the
// terminal host test presses Ctrl-C on every system).
#include <gtest/gtest.h>

#include <windows.h>

#include "cli/interrupt.h"
#include "support/console_control_win32.h"

namespace kq::cli {
namespace {

TEST(ConsoleInterrupt, CtrlBreakAsksForAStopLikeCtrlC) {
    installInterruptHandler(false);
    ASSERT_TRUE(test::deliverConsoleControl(CTRL_BREAK_EVENT));
    EXPECT_TRUE(stopRequested());
    removeInterruptHandler();
}

}  // namespace
}  // namespace kq::cli
