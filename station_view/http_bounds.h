// How much the station view's HTTP server gives any one client: threads,
// queue, request size and time-outs.
#pragma once

#include <chrono>
#include <cstddef>

namespace kq::station_view {

struct HttpBounds {
    size_t workerThreads = 12;        // connections served at once (event streams included)
    size_t queuedConnections = 16;    // accepted connections waiting for a worker
    size_t requestBytes = 16 * 1024;  // request line, headers and body together
    size_t bodyBytes = 4096;          // a request's body (actions have none)
    std::chrono::milliseconds requestTime{10000};  // from a request's first byte to its last
    int readTimeoutS = 5;   // one read of the socket
    int writeTimeoutS = 5;  // one write of the socket (a stuck browser's event stream ends after this)
    int idleTimeoutS = 5;   // a connection that sends nothing is closed after this
};

}  // namespace kq::station_view
