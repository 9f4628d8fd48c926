#include "platform/local_time.h"

namespace kq {

std::optional<std::tm> localTime(std::time_t t) {
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return std::nullopt;
    return local;
}

}  // namespace kq
