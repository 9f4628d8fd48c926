// The local time zone of the test process, through the TZ variable.
#pragma once

#include <optional>
#include <string>

namespace kq::test {

// TZ's value, nullopt when it is not set.
std::optional<std::string> timeZoneVariable();
// Sets TZ (nullopt removes it) and makes the C library read the zone again.
void setTimeZoneVariable(const std::optional<std::string>& value);

}  // namespace kq::test
