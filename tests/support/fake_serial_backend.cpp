#include "support/fake_serial_backend.h"

#include <algorithm>

#include "link/link_frame.h"
#include "support/own_lock_folder.h"

namespace kq::test {

FakeSerialBackend::FakeSerialBackend() {
    useOwnLockFolder();
    for (int port = 1; port <= 4; ++port) names[port] = "/dev/fake" + std::to_string(port);
}

void FakeSerialBackend::arrive(uint32_t at, const Bytes& bytes) {
    // Keep arrival order: a later script line never overtakes an earlier one.
    if (!input.empty() && static_cast<int32_t>(at - input.back().at) < 0) at = input.back().at;
    for (uint8_t byte : bytes) input.push_back({at, byte});
}

int FakeSerialBackend::arrivedCount() const {
    int count = 0;
    for (const Arrival& a : input) {
        if (!arrived(a)) break;
        ++count;
    }
    return count;
}

std::string FakeSerialBackend::canonicalDevice(const std::string& device) {
    const auto alias = aliases.find(device);
    return alias == aliases.end() ? device : alias->second;
}

SerialBackend::Handle FakeSerialBackend::open(const std::string& device) {
    calls.push_back("open " + device);
    if (refusedDevices.count(device)) return NoHandle;
    for (const auto& entry : open_)
        if (entry.second == device) return NoHandle;  // exclusive use
    const Handle handle = nextHandle++;
    open_[handle] = device;
    return handle;
}

void FakeSerialBackend::close(Handle handle) {
    calls.push_back("close");
    open_.erase(handle);
}

void FakeSerialBackend::configure(Handle, const LineSettings& settings) {
    calls.push_back("configure");
    lastSettings = settings;
}

int FakeSerialBackend::read(Handle, uint8_t* buffer, int n) {
    ++reads;
    if (failed()) return -1;
    const int count = std::min(n, arrivedCount());
    for (int i = 0; i < count; ++i) {
        buffer[i] = input.front().byte;
        input.pop_front();
    }
    return count;
}

bool FakeSerialBackend::write(Handle, const uint8_t* bytes, int n) {
    calls.push_back("write " + std::to_string(n));
    if (writeFails) return false;
    writes.emplace_back(bytes, bytes + n);
    writeTicks.push_back(now);
    now += writeLastsMs;
    if (onWrite) onWrite(writes.back());
    return true;
}

void FakeSerialBackend::purge(Handle, int kind) {
    calls.push_back("purge " + std::to_string(kind));
    if (kind == PurgeInput || kind == PurgeBoth) {
        while (!input.empty() && arrived(input.front())) input.pop_front();
    }
}

bool FakeSerialBackend::setRts(Handle, bool raised) {
    calls.push_back(raised ? "rts 1" : "rts 0");
    return !rtsFails && (raised || !rtsDropFails);
}

void FakeSerialBackend::clearErrors(Handle) { calls.push_back("clearErrors"); }

void FakeSerialBackend::waitReadable(Handle, int us) {
    ++waits;
    if (failed() || arrivedCount() > 0) return;
    // Sleep until the next arrival or failure, or for us (rounded up to whole ms).
    uint32_t sleep = (static_cast<uint32_t>(us) + MicrosPerMs - 1) / MicrosPerMs;
    if (!input.empty()) sleep = std::min(sleep, input.front().at - now);
    if (failsFrom) sleep = std::min(sleep, *failsFrom - now);
    now += sleep;
}

ScopedFakeSerial::ScopedFakeSerial() {
    setSerialBackend(&fake);
    initPortNames();
}

ScopedFakeSerial::~ScopedFakeSerial() {
    for (int port = 1; port <= MaxPorts; ++port) closePort(port);
    setSerialBackend(nullptr);
    initPortNames();  // no slot keeps a fake's device name
}

Bytes flashReply(uint16_t code, uint32_t address, const Bytes& payload) {
    uint8_t frame[FrameBufferBytes];
    const int n = buildFrame(frame, code, address, payload.data(), static_cast<int>(payload.size()));
    return Bytes(frame, frame + n);
}

Bytes moduleReply(uint16_t code, const ModuleAddress& address, const Bytes& payload) {
    uint8_t frame[FrameBufferBytes];
    const int n = buildModuleFrame(frame, code, address, payload.data(), static_cast<int>(payload.size()));
    return Bytes(frame, frame + n);
}

}  // namespace kq::test
