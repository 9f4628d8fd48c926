#include "station_view/listen_socket.h"

#include <sys/socket.h>

namespace kq::station_view {

void setListenSocketOptions(std::uintptr_t socket) {
    // SO_REUSEADDR, not SO_REUSEPORT: the latter would let a second
    // listener share the port.
    int yes = 1;
    setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace kq::station_view
