// The slot table and every rule of the serial channel's operations. The OS is
// reached only through the installed SerialBackend.
#include "link/serial_port.h"

#include <algorithm>
#include <atomic>

#include "link/port_lock.h"
#include "link/serial_backend.h"
#include "link/wire_time.h"

namespace kq {
namespace {

struct PortSlot {
    SerialBackend::Handle handle = SerialBackend::NoHandle;
    std::string deviceName;
    LineSettings line;          // as last configured
    uint32_t sendStartUs = 0;   // tick when the last block's write began
    uint32_t sendLastsUs = 0;   // from then until that block has left the line
    PortLock lock;              // the device's lock file, held from openPort to the close
};

// Index 0 is unused: slots are numbered 1..32. The names are set before any
// run starts; afterwards a slot's handle is touched only by the thread that
// runs its port, so several ports can run at once without a lock.
std::array<PortSlot, MaxPorts + 1> slots;
bool slotsNamed = false;
std::atomic<SerialBackend*> installedBackend{nullptr};
// Device failures per port (index 0 unused); read from other threads.
std::array<std::atomic<uint32_t>, MaxPorts + 1> deviceFailureCounts{};

void countDeviceFailure(int port) { deviceFailureCounts[port].fetch_add(1, std::memory_order_relaxed); }

bool validPort(int port) { return port >= 1 && port <= MaxPorts; }
bool slotOpen(int port) { return slots[port].handle != SerialBackend::NoHandle; }

constexpr uint32_t FallbackBaud = 2400;  // bits per second for an index outside the table
constexpr int ProbeBaudIndex = 3;        // 9600 bits per second when listing ports
constexpr int ProbeDataBits = 8;
constexpr int ProbeParity = ParityEven;

}  // namespace

SerialBackend& serialBackend() {
    SerialBackend* installed = installedBackend.load();
    return installed ? *installed : platformSerialBackend();
}

void setSerialBackend(SerialBackend* backend) { installedBackend = backend; }

uint32_t baudFromIndex(int baudIndex) {
    if (baudIndex < 0 || baudIndex >= static_cast<int>(BaudRates.size())) return FallbackBaud;
    return static_cast<uint32_t>(BaudRates[baudIndex]);
}

// ---- front-end operations -------------------------------------------------

namespace {

// openPort without the lock file, for the listing's probe: a port whose lock
// file another program holds is still listed, as it always was.
PortOpenResult openAndConfigure(int port, int baudIndex, int dataBits, int parity, int stopBits) {
    LineSettings settings;
    settings.bitsPerSecond = baudFromIndex(baudIndex);
    settings.dataBits = static_cast<uint8_t>(dataBits);
    settings.parity = static_cast<uint8_t>(parity);
    settings.stopBits = static_cast<uint8_t>(stopBits);
    const auto p = static_cast<int16_t>(port);
    if (openDevice(p) < 0) return PortOpenResult::Failed;
    if (configurePort(p, settings) < 0) return PortOpenResult::Failed;
    return PortOpenResult::Opened;
}

}  // namespace

int enumeratePorts(std::array<int, MaxPorts>& list, int& count) {
    for (int port = 1; port <= MaxPorts; ++port) closePort(port);
    initPortNames();
    count = 0;
    for (int port = 1; port <= MaxPorts; ++port) {
        if (openAndConfigure(port, ProbeBaudIndex, ProbeDataBits, ProbeParity, 0) == PortOpenResult::Opened) {
            list[count++] = port;
        }
        closePort(port);
    }
    return 0;
}

// The device's lock file is taken before the device is opened: a lock that
// another live process holds refuses the port as a device held open would.
PortOpenResult openPort(int port, int baudIndex, int dataBits, int parity, int stopBits) {
    if (!validPort(port)) return PortOpenResult::Failed;
    closeDevice(static_cast<int16_t>(port));  // reopening an open port is allowed
    PortSlot& slot = slots[port];
    if (slot.lock.take(serialBackend().canonicalDevice(slot.deviceName)) == PortLockResult::HeldByOther) {
        return PortOpenResult::Failed;
    }
    const PortOpenResult result = openAndConfigure(port, baudIndex, dataBits, parity, stopBits);
    if (!slotOpen(port)) slot.lock.release();
    return result;
}

PortLockRefusal portLockRefusal(int port) {
    if (!validPort(port) || slots[port].lock.owner() == 0) return {};
    return {slots[port].lock.owner(), slots[port].lock.path()};
}

PortCloseResult closePort(int port) {
    if (!validPort(port) || closeDevice(static_cast<int16_t>(port)) < 0) return PortCloseResult::Failed;
    return PortCloseResult::Closed;
}

// ---- low-level operations -------------------------------------------------

void initPortNames() {
    SerialBackend& backend = serialBackend();
    const auto names = backend.portDeviceNames();
    for (int port = 1; port <= MaxPorts; ++port) {
        if (slotOpen(port)) backend.close(slots[port].handle);
        slots[port].handle = SerialBackend::NoHandle;
        slots[port].lock.release();
        slots[port].deviceName = names[port];
    }
    slotsNamed = true;
}

int16_t openDevice(int16_t port) {
    if (!validPort(port)) return BadArgument;
    if (slotOpen(port)) return AlreadyOpen;
    if (slots[port].deviceName.empty()) return OpenFailed;
    const SerialBackend::Handle handle = serialBackend().open(slots[port].deviceName);
    if (handle == SerialBackend::NoHandle) return OpenFailed;
    slots[port].handle = handle;
    return port;
}

int16_t closeDevice(int16_t port) {
    if (!validPort(port)) return BadArgument;
    slots[port].lock.release();
    if (!slotOpen(port)) return NotOpen;
    serialBackend().close(slots[port].handle);
    slots[port].handle = SerialBackend::NoHandle;
    return 0;
}

int16_t isClosed(int16_t port) {
    if (!validPort(port)) return BadArgument;
    return slotOpen(port) ? 0 : 1;
}

int16_t configurePort(int16_t port, const LineSettings& settings) {
    if (!validPort(port)) return BadArgument;
    if (!slotOpen(port)) return NotOpen;
    serialBackend().configure(slots[port].handle, settings);
    slots[port].line = settings;
    slots[port].sendLastsUs = 0;
    return 0;
}

int16_t writeBytes(int16_t port, const uint8_t* bytes, int n) {
    // The result carries n back, so a block must fit in int16_t.
    if (n <= 0 || n > INT16_MAX || !validPort(port)) return BadArgument;
    if (!slotOpen(port)) return NotOpen;
    SerialBackend& backend = serialBackend();
    if (!backend.write(slots[port].handle, bytes, n)) {
        countDeviceFailure(port);
        backend.clearErrors(slots[port].handle);
        return WriteFailed;
    }
    return static_cast<int16_t>(n);
}

int16_t readAvailable(int16_t port, uint8_t* buffer, int n) {
    if (n <= 0 || !validPort(port)) return BadArgument;
    if (!slotOpen(port)) return NotOpen;
    // One platform call: the read itself tells a silent line (0) from a dead device.
    const int got = serialBackend().read(slots[port].handle, buffer, std::min(n, static_cast<int>(INT16_MAX)));
    if (got < 0) {
        countDeviceFailure(port);
        return ReadFailed;
    }
    return static_cast<int16_t>(got);
}

int16_t purgePort(int16_t port, int kind) {
    if (!validPort(port)) return BadArgument;
    if (!slotOpen(port)) return NotOpen;
    if (kind != PurgeInput && kind != PurgeOutput && kind != PurgeBoth) return BadArgument;
    serialBackend().purge(slots[port].handle, kind);
    return 0;
}

int escapeLine(int16_t port, int code) {
    if (!validPort(port) || !slotOpen(port)) return 0;
    if (code != SetRts && code != ClearRts) return 0;  // only the RTS escapes exist here
    if (serialBackend().setRts(slots[port].handle, code == SetRts)) return 1;
    countDeviceFailure(port);  // a port without modem lines succeeds, so this is the device
    return 0;
}

void clearLineErrors(int16_t port) {
    // On a closed slot there is nothing to clear.
    if (validPort(port) && slotOpen(port)) serialBackend().clearErrors(slots[port].handle);
}

int16_t waitForInput(int16_t port, int us) {
    if (!validPort(port)) return BadArgument;
    if (!slotOpen(port)) return NotOpen;
    serialBackend().waitReadable(slots[port].handle, std::max(us, 0));
    return 0;
}

// ---- timed transfers --------------------------------------------------------

TimedReadResult readWithTimeout(int port, uint8_t* buffer, int offset, int count, int timeoutMs, int& received) {
    received = 0;
    SerialBackend& backend = serialBackend();
    const uint32_t start = backend.tickUs();
    if (count <= 0) return TimedReadResult::Finished;
    // The wait ends once more than the time-out has passed: elapsed > limit (in microseconds).
    const uint32_t limit = static_cast<uint32_t>(std::clamp(timeoutMs, 0, 3600 * 1000)) * MicrosPerMs;
    const auto p = static_cast<int16_t>(port);
    int stored = 0;
    for (;;) {
        const int16_t got = readAvailable(p, buffer + offset + stored, count - stored);
        if (got < 0) return TimedReadResult::ReadFailed;
        stored += got;
        if (stored >= count) {
            received = count;
            return TimedReadResult::Finished;
        }
        const uint32_t elapsed = backend.tickUs() - start;
        if (elapsed > limit) {
            received = stored;
            return TimedReadResult::Finished;
        }
        // Sleep until input arrives or the time is up; the next attempt reads it.
        waitForInput(p, static_cast<int>(std::min<uint32_t>(limit - elapsed + 1, INT32_MAX)));
    }
}

BlockSendResult sendBlock(int port, const uint8_t* bytes, int n, int& sent) {
    sent = 0;
    const auto p = static_cast<int16_t>(port);
    clearLineErrors(p);
    if (escapeLine(p, SetRts) == 0) return BlockSendResult::Failed;
    if (purgePort(p, PurgeBoth) < 0) return BlockSendResult::Failed;
    SerialBackend& backend = serialBackend();
    const uint32_t writeStart = backend.tickUs();
    if (writeBytes(p, bytes, n) < 0) {
        // RTS stays low between blocks, also after a failed one.
        escapeLine(p, ClearRts);
        return BlockSendResult::Failed;
    }
    PortSlot& slot = slots[port];
    slot.sendStartUs = writeStart;
    slot.sendLastsUs = std::max(wireTimeUs(slot.line, n), backend.tickUs() - writeStart);
    if (escapeLine(p, ClearRts) == 0) return BlockSendResult::Failed;
    sent = n;
    return BlockSendResult::Sent;
}

uint32_t sendingUs(int port) {
    if (!validPort(port)) return 0;
    const PortSlot& slot = slots[port];
    const uint32_t elapsed = serialBackend().tickUs() - slot.sendStartUs;
    return elapsed < slot.sendLastsUs ? slot.sendLastsUs - elapsed : 0;
}

uint32_t deviceFailuresFound(int port) {
    return validPort(port) ? deviceFailureCounts[port].load(std::memory_order_relaxed) : 0;
}

// ---- port listing ---------------------------------------------------------------

std::vector<PortListing> listPorts() {
    for (int port = 1; port <= MaxPorts; ++port) closePort(port);
    initPortNames();
    SerialBackend& backend = serialBackend();
    std::vector<PortListing> listing;
    for (int port = 1; port <= MaxPorts; ++port) {
        const std::string& device = slots[port].deviceName;
        if (device.empty()) continue;
        PortListing entry;
        entry.port = port;
        entry.device = device;
        entry.state = backend.probe(device);
        if (entry.state == PortState::Absent) continue;
        const std::string canonical = backend.canonicalDevice(device);
        entry.lockOwner = portLockOwner(canonical);
        if (entry.lockOwner != 0) entry.state = PortState::Busy;
        entry.description = backend.deviceDescription(device);
        entry.stableNames = backend.stableNames(canonical);
        listing.push_back(std::move(entry));
    }
    return listing;
}

// ---- slot names ---------------------------------------------------------------

std::string portDeviceName(int port) { return validPort(port) ? slots[port].deviceName : std::string(); }

std::string portDescription(int port) {
    const std::string device = portDeviceName(port);
    return device.empty() ? device : serialBackend().deviceDescription(device);
}

int portForDevice(const std::string& device) {
    if (device.empty()) return 0;
    if (!slotsNamed) initPortNames();
    SerialBackend& backend = serialBackend();
    const std::string wanted = backend.canonicalDevice(device);
    for (int port = 1; port <= MaxPorts; ++port) {
        std::string& name = slots[port].deviceName;
        if (name.empty() || (name != device && backend.canonicalDevice(name) != wanted)) continue;
        // A slot named by the bare device takes the stable name it was asked
        // by (/dev/serial/by-path/...), so that opening it again follows the
        // link to wherever a replugged adapter is then.
        if (name != device && name == wanted) {
            const std::vector<std::string> stable = backend.stableNames(wanted);
            if (std::find(stable.begin(), stable.end(), device) != stable.end()) name = device;
        }
        return port;
    }
    for (int port = 1; port <= MaxPorts; ++port) {
        if (slots[port].deviceName.empty()) {
            slots[port].deviceName = device;
            return port;
        }
    }
    // Every slot is named (a machine with many ttyS devices): the device the
    // user asked for takes the highest slot that is not in use.
    for (int port = MaxPorts; port >= 1; --port) {
        if (!slotOpen(port)) {
            slots[port].deviceName = device;
            return port;
        }
    }
    return 0;
}

}  // namespace kq
