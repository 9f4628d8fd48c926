// SIGINT, SIGTERM and SIGHUP ask the simulator to stop. The request is a flag
// plus a byte in a pipe, so that a poll() wakes up for it without races.
#pragma once

#include <string>

namespace kq::sim {

bool installStopSignals(std::string& error);
bool stopRequested();
// Read end of the pipe: readable once a stop was requested.
int stopSignalFd();

}  // namespace kq::sim
