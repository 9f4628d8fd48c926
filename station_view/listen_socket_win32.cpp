#include "station_view/listen_socket.h"

#include <winsock2.h>

namespace kq::station_view {

void setListenSocketOptions(std::uintptr_t socket) {
    // Windows' SO_REUSEADDR would let another program take the port over;
    // SO_EXCLUSIVEADDRUSE keeps it ours.
    BOOL yes = TRUE;
    setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes),
               sizeof yes);
}

}  // namespace kq::station_view
