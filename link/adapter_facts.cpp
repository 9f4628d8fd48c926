#include "link/adapter_facts.h"

#include "link/serial_backend.h"
#include "link/serial_port.h"

namespace kq {

AdapterFacts openPortAdapterFacts(int port) {
    if (isClosed(static_cast<int16_t>(port)) != 0) return {};
    return adapterFacts(serialBackend().canonicalDevice(portDeviceName(port)));
}

std::string latencyWarning(const std::string& portName, const AdapterFacts& facts) {
    if (!facts.latencyTimerMs || *facts.latencyTimerMs <= QuickLatencyTimerMs) return "";
    const std::string ms = std::to_string(*facts.latencyTimerMs);
    return portName + ": the adapter's latency timer is " + ms + " ms: it holds every reply back up to " + ms +
           " ms, which slows the upgrade down. " + latencyAdvice(facts);
}

}  // namespace kq
