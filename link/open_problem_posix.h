// Why a serial device did not open on a POSIX system: the errno of the failed
// call, with the device's own kind, group and holder looked up at once.
#pragma once

#include <string>

#include "link/serial_port.h"

namespace kq {

// The problem of an open() (or the flock / tcgetattr after it) that failed
// with error on device.
OpenProblem openProblemOf(int error, const std::string& device);

// The process other than this one that has the character device open: the
// holder of its flock (/proc/locks), else one that has it open
// (/proc/<pid>/fd); 0 when none is found (or we may not look).
// name: its program's name (/proc/<pid>/comm) when found.
int deviceHolder(const std::string& device, std::string& name);

}  // namespace kq
