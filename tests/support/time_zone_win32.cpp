#include "support/time_zone.h"

#include <cstdlib>
#include <ctime>

namespace kq::test {

std::optional<std::string> timeZoneVariable() {
    const char* tz = std::getenv("TZ");
    return tz && tz[0] != '\0' ? std::optional<std::string>(tz) : std::nullopt;
}

// An empty value removes the variable.
void setTimeZoneVariable(const std::optional<std::string>& value) {
    _putenv_s("TZ", value ? value->c_str() : "");
    _tzset();
}

}  // namespace kq::test
