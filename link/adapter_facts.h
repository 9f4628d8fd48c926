// The USB adapter behind a serial port, as far as the system tells it: its
// vendor and product id, serial number and driver, and its latency timer. A
// USB adapter holds short input back until its latency timer runs out (16 ms
// by default on FTDI chips), so every reply of a request/reply protocol waits
// that long; a timer above 2 ms is worth a warning with how to lower it.
// One file per system: sysfs on Linux (adapter_facts_posix.cpp), SetupAPI and
// the device's registry key on Windows (adapter_facts_win32.cpp).
#pragma once

#include <optional>
#include <string>

namespace kq {

struct AdapterFacts {
    std::string vendorId;      // USB vendor id, four lower-case hex digits ("0403"); "" when no USB device was found
    std::string productId;     // USB product id ("6001")
    std::string serialNumber;  // "" when the adapter has none (CH340) or the system does not say
    std::string manufacturer;  // as the system names the maker ("FTDI"), else ""
    std::string product;       // as the system names the product ("FT232R USB UART"), else ""
    // Linux: the kernel driver of the port ("ftdi_sio", "ch341", "cdc_acm");
    // Windows: the port's driver service ("FTSER2K", "usbser").
    std::string driver;
    std::optional<int> latencyTimerMs;  // where the system tells it (FTDI adapters)

    bool isUsb() const { return !vendorId.empty(); }
};

inline constexpr int QuickLatencyTimerMs = 2;  // a latency timer above this is warned about, ms

// The adapter of a device: on Linux a device path or a link to one
// (/dev/ttyUSB0, /dev/serial/by-path/...), on Windows "COM3" or "\\.\COM3".
// Empty facts when the system knows nothing of it (a pseudo-terminal).
AdapterFacts adapterFacts(const std::string& device);

// The adapter of an open port's device. The open has asked for low latency
// where the driver takes that (Linux), so the timer read now is the one in
// force. Empty facts for a slot that is not open.
AdapterFacts openPortAdapterFacts(int port);

// "" when the timer is unknown or at most QuickLatencyTimerMs; else the
// warning, with how to lower the timer on this system. portName: the port as
// it is shown ("COM3 (/dev/ttyUSB0)").
std::string latencyWarning(const std::string& portName, const AdapterFacts& facts);

// How to lower the latency timer on this system, one sentence.
std::string latencyAdvice(const AdapterFacts& facts);

}  // namespace kq
