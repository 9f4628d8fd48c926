// Lock files of the tests' own: the serial channel takes a device's lock
// file on every open, and the fake devices of two test processes running at
// once have the same names. Each test process gets a lock folder of its own
// ($KQ_LOCK_DIR), made on first use and removed at exit; a test that sets
// $KQ_LOCK_DIR itself keeps its own.
#pragma once

namespace kq::test {

void useOwnLockFolder();

}  // namespace kq::test
