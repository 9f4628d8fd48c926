// What a station adds to the record of each of its cycles: which station,
// which port (by its stable name), which cycle of that port, and the adapter
// behind the port.
#pragma once

#include <optional>
#include <string>

namespace kq::production {

struct StationFacts {
    std::string station;                // the station's name
    std::string portName;               // the port's stable name
    long long cycle = 0;                // the port's cycle number, from 1
    std::string adapter;                // the adapter in words; "" when the system says nothing of it
    std::optional<int> latencyTimerMs;  // the adapter's latency timer, where the system tells it
    bool portLost = false;              // the port went away during the cycle (result PortLostResult)
};

}  // namespace kq::production
