// The options of the listening socket, one file per system: a port that
// another program (another station, say) listens on must fail to bind, while
// a port left in TIME_WAIT by this station's last run binds again at once.
#pragma once

#include <cstdint>

namespace kq::station_view {

// socket: the system's socket handle (a descriptor, or a SOCKET).
void setListenSocketOptions(std::uintptr_t socket);

}  // namespace kq::station_view
