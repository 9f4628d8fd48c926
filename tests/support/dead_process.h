// A process id that no process has, for lock files left by a program that
// has gone.
#pragma once

namespace kq::testing {

// The id of a child that has ended and been reaped.
int deadProcessId();

}  // namespace kq::testing
