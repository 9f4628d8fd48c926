#include "support/time_zone.h"

#include <cstdlib>
#include <ctime>

namespace kq::test {

std::optional<std::string> timeZoneVariable() {
    const char* tz = std::getenv("TZ");
    return tz ? std::optional<std::string>(tz) : std::nullopt;
}

void setTimeZoneVariable(const std::optional<std::string>& value) {
    if (value)
        ::setenv("TZ", value->c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

}  // namespace kq::test
