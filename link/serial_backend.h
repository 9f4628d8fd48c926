// The platform calls of the serial channel. serial_port.cpp holds the slot
// table and every rule of the operations; a backend only talks to the OS.
// serial_posix.cpp is the POSIX (termios) backend, serial_win32.cpp the
// Windows communications one; tests install fakes that
// also own the clock, so time-outs and budgets are tested without real waits.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace kq {

class SerialBackend {
public:
    using Handle = intptr_t;
    static constexpr Handle NoHandle = -1;

    virtual ~SerialBackend() = default;

    // Device names of slots 1..32 (index 0 unused); "" for a slot without a device.
    virtual std::array<std::string, MaxPorts + 1> portDeviceNames() = 0;
    // The name under which two spellings of one device compare equal (links resolved).
    virtual std::string canonicalDevice(const std::string& device) = 0;
    // The text a person knows the device by: the system's friendly name where
    // it has one (e.g. "USB-SERIAL CH340 (COM3)"), else the device name itself.
    virtual std::string deviceDescription(const std::string& device) { return device; }

    // Opens the device for exclusive use (a device held by anyone else fails);
    // on failure problem says why, as the system told the open.
    virtual Handle open(const std::string& device, OpenProblem& problem) = 0;
    Handle open(const std::string& device) {
        OpenProblem ignored;
        return open(device, ignored);
    }
    virtual void close(Handle handle) = 0;
    // Whether open() would succeed now, and if not whether the device is
    // held by another program, refused to us, or not there; nothing stays open.
    virtual PortState probe(const std::string& device) {
        const Handle handle = open(device);
        if (handle == NoHandle) return PortState::Absent;
        close(handle);
        return PortState::Free;
    }
    // Other names of the device that stay the same when it is plugged in
    // again or the machine restarts (POSIX: the links in /dev/serial/by-id
    // and /dev/serial/by-path); none by default.
    virtual std::vector<std::string> stableNames(const std::string& /*device*/) { return {}; }
    // Applies line settings with DTR and RTS raised and no flow control; the
    // outcome is not reported (the channel treats configuration as always done).
    virtual void configure(Handle handle, const LineSettings& settings) = 0;

    // Reads at most n of the bytes already received, without waiting: the
    // bytes read, 0 when none is waiting, negative when the device failed or
    // hung up. A dead device must never read as a silent line (0).
    virtual int read(Handle handle, uint8_t* buffer, int n) = 0;
    // Writes all n bytes and returns once the driver has taken the last one
    // (POSIX waits until it has left the line).
    virtual bool write(Handle handle, const uint8_t* bytes, int n) = 0;
    // Discards queued input (PurgeInput), queued output (PurgeOutput) or both.
    virtual void purge(Handle handle, int kind) = 0;
    // Raises or drops RTS. A device without modem lines counts as success.
    virtual bool setRts(Handle handle, bool raised) = 0;
    // Clears a pending line error state; nothing to report.
    virtual void clearErrors(Handle handle) = 0;

    // Blocks until input is waiting, the device fails, or us microseconds
    // passed, whichever comes first. Never busy-waits.
    virtual void waitReadable(Handle handle, int us) = 0;
    // Monotonic microsecond tick; callers take differences in unsigned 32-bit
    // arithmetic (it wraps every 71 minutes). Time-outs are given in ms but
    // measured in microseconds, so "more than 2 ms" lasts 2 ms, not up to 3.
    virtual uint32_t tickUs() = 0;
};

// The platform's own backend (serial_posix.cpp or serial_win32.cpp).
SerialBackend& platformSerialBackend();

}  // namespace kq
