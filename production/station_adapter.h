// The adapter behind a station's open port, in the words its records and its
// rows show, and the warning about a slow latency timer.
#pragma once

#include <optional>
#include <string>

namespace kq::production {

struct AdapterInfo {
    std::string text;                   // "USB 0403:6001 FTDI FT232R USB UART (ftdi_sio), serial A50285BI"; "" when unknown
    std::optional<int> latencyTimerMs;  // where the system tells it
    std::string warning;                // the latency timer is slow, and how to lower it; "" when not
};

// Of the open port in slot, shown as portName.
AdapterInfo adapterOfOpenPort(int slot, const std::string& portName);

}  // namespace kq::production
