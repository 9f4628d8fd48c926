// Ctrl-C pressed for the test process, delivered the way the system delivers
// it: SIGINT on POSIX; on Windows the console's control routine, on a thread
// of its own, as the console starts it.
#pragma once

namespace kq::test {

// False when the press could not be delivered.
bool pressCtrlC();

}  // namespace kq::test
