// The station's token: what an action must carry. Made fresh at every start
// of the server, from the system's random source.
#pragma once

#include <string>

namespace kq::station_view {

inline constexpr int TokenBytes = 16;  // 128 bits, written as 32 hex digits

// Random bytes in lower-case hex (also the page's CSP nonces).
std::string randomHex(int bytes);

std::string makeStationToken();

}  // namespace kq::station_view
