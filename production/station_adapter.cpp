#include "production/station_adapter.h"

#include "link/adapter_facts.h"
#include "production/port_facts.h"

namespace kq::production {

AdapterInfo adapterOfOpenPort(int slot, const std::string& portName) {
    const AdapterFacts facts = openPortAdapterFacts(slot);
    return {adapterText(facts), facts.latencyTimerMs, latencyWarning(portName, facts)};
}

}  // namespace kq::production
