// Calendar time in the local time zone, the only form in which the tools show
// a time (log stamps, saved-log names, file modification times).
#pragma once

#include <ctime>
#include <optional>

namespace kq {

// t broken down in the local time zone (the TZ variable included); nullopt
// when the system cannot convert it.
std::optional<std::tm> localTime(std::time_t t);

}  // namespace kq
