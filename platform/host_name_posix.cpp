#include <unistd.h>

#include <climits>

#include "platform/host_name.h"

namespace kq {

namespace {
constexpr size_t HostNameBytes = 256;  // more than HOST_NAME_MAX on Linux (64)
}

std::string hostName() {
    char name[HostNameBytes + 1] = {};
    if (::gethostname(name, HostNameBytes) != 0) return "";
    return name;
}

}  // namespace kq
