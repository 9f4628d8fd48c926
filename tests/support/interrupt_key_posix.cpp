#include "support/interrupt_key.h"

#include <csignal>

namespace kq::test {

bool pressCtrlC() { return std::raise(SIGINT) == 0; }

}  // namespace kq::test
