#include "support/interrupt_key.h"

#include <windows.h>

#include "support/console_control_win32.h"

namespace kq::test {

bool pressCtrlC() { return deliverConsoleControl(CTRL_C_EVENT); }

}  // namespace kq::test
