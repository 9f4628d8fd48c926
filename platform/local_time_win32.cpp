#include "platform/local_time.h"

namespace kq {

// The C runtime's conversion applies the daylight-saving rule of the date
// converted (the system's zone, or TZ when set), where FileTimeToLocalFileTime
// would apply today's offset to every date.
std::optional<std::tm> localTime(std::time_t t) {
    std::tm local{};
    if (localtime_s(&local, &t) != 0) return std::nullopt;
    return local;
}

}  // namespace kq
