// A scriptable serial backend with its own clock, for tests of the serial
// channel, the link frames and the commands without devices or real waits.
//
// Input bytes arrive at chosen ticks; waitReadable() moves the clock on to
// the next arrival (or by the time asked for), so a test sees exactly how
// long an operation would have taken. Every call that touches the line is
// recorded in order.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "link/link_frame.h"
#include "link/serial_backend.h"

namespace kq::test {

using Bytes = std::vector<uint8_t>;

class FakeSerialBackend final : public SerialBackend {
public:
    // Slots 1..4 name "/dev/fake1".."/dev/fake4"; the others have no device.
    FakeSerialBackend();

    // ---- script ----
    std::array<std::string, MaxPorts + 1> names;   // what portDeviceNames() reports
    std::map<std::string, std::string> aliases;    // canonicalDevice(): alias -> device
    std::map<std::string, std::vector<std::string>> stable;  // stableNames(): device -> its stable names
    std::set<std::string> refusedDevices;          // open() fails for these
    bool deviceFailed = false;                     // reads fail
    std::optional<uint32_t> failsFrom;             // ... from this tick on (an adapter pulled out)
    bool writeFails = false;
    uint32_t writeLastsMs = 0;                     // a write returns this long after it began
    bool rtsFails = false;                         // both RTS directions
    bool rtsDropFails = false;                     // only dropping RTS
    // Called with each written block once it is recorded (e.g. to queue a reply).
    std::function<void(const Bytes&)> onWrite;

    // Bytes that become readable at tick `at` (in order after earlier arrivals).
    void arrive(uint32_t at, const Bytes& bytes);
    void arriveNow(const Bytes& bytes) { arrive(now, bytes); }
    // Bytes queued but not yet read, whether or not they have arrived.
    size_t pendingBytes() const { return input.size(); }

    // ---- clock ----
    uint32_t now = 0;

    // ---- record ----
    std::vector<std::string> calls;  // "open /dev/fake1", "close", "configure", "write 13", "purge 3",
                                     // "rts 1", "rts 0", "clearErrors"
    std::vector<Bytes> writes;
    std::vector<uint32_t> writeTicks;  // clock at the start of each write
    LineSettings lastSettings;
    int reads = 0;         // read() calls: read attempts
    int waits = 0;         // waitReadable() calls
    int openHandles() const { return static_cast<int>(open_.size()); }

    // ---- SerialBackend ----
    std::array<std::string, MaxPorts + 1> portDeviceNames() override { return names; }
    std::string canonicalDevice(const std::string& device) override;
    std::vector<std::string> stableNames(const std::string& device) override {
        const auto found = stable.find(device);
        return found == stable.end() ? std::vector<std::string>{} : found->second;
    }
    Handle open(const std::string& device) override;
    void close(Handle handle) override;
    void configure(Handle handle, const LineSettings& settings) override;
    int read(Handle handle, uint8_t* buffer, int n) override;
    bool write(Handle handle, const uint8_t* bytes, int n) override;
    void purge(Handle handle, int kind) override;
    bool setRts(Handle handle, bool raised) override;
    void clearErrors(Handle handle) override;
    // The fake's clock counts whole milliseconds; waits are rounded up to them.
    void waitReadable(Handle handle, int us) override;
    uint32_t tickUs() override { return now * MicrosPerMs; }

private:
    struct Arrival {
        uint32_t at;
        uint8_t byte;
    };
    bool arrived(const Arrival& a) const { return static_cast<int32_t>(a.at - now) <= 0; }
    int arrivedCount() const;
    bool failed() const { return deviceFailed || (failsFrom && static_cast<int32_t>(now - *failsFrom) >= 0); }

    std::deque<Arrival> input;
    std::map<Handle, std::string> open_;
    Handle nextHandle = 100;
};

// Installs a fake for the lifetime of the object, names the slots from it,
// and on the way out closes every port, restores the platform's backend and
// names the slots from it again.
class ScopedFakeSerial {
public:
    ScopedFakeSerial();
    ~ScopedFakeSerial();
    ScopedFakeSerial(const ScopedFakeSerial&) = delete;
    ScopedFakeSerial& operator=(const ScopedFakeSerial&) = delete;

    FakeSerialBackend fake;
};

// A reply frame as the module would send it (code with the reply bit set by the caller).
Bytes flashReply(uint16_t code, uint32_t address, const Bytes& payload = {});
Bytes moduleReply(uint16_t code, const ModuleAddress& address, const Bytes& payload = {});

}  // namespace kq::test
