#include "cli/commands.h"

#include <optional>
#include <string>
#include <string_view>

#include "link/adapter_facts.h"
#include "link/port_lock.h"
#include "link/serial_backend.h"
#include "link/serial_port.h"
#include "link/stable_names.h"
#include "production/record_rendering.h"
#include "production/outcome.h"
#include "production/port_facts.h"

namespace kq::cli {

using namespace kq::production;

namespace {

constexpr std::string_view FactIndent = "      ";  // under the port's line
constexpr int FactNameWidth = 10;                  // "location  " and the like

std::string stateText(const PortListing& entry) {
    switch (entry.state) {
        case PortState::Free:
        case PortState::Absent:
            return "";
        case PortState::NoPermission:
            return "  no permission";
        case PortState::Busy:
            break;
    }
    if (entry.lockOwner > 0) {
        return "  busy (process " + std::to_string(entry.lockOwner) + " holds " +
               portLockPath(serialBackend().canonicalDevice(entry.device)) + ")";
    }
    if (entry.lockOwner == LockOwnerUnknown) {
        return "  busy (lock file " + portLockPath(serialBackend().canonicalDevice(entry.device)) + ")";
    }
    return "  busy";
}

std::string_view stateWord(PortState state) {
    switch (state) {
        case PortState::Free: return "free";
        case PortState::Busy: return "busy";
        case PortState::NoPermission: return "no-permission";
        case PortState::Absent: return "absent";
    }
    return "absent";
}

// What the listing shows of one port beyond its slot.
struct ListedPort {
    PortListing entry;
    StableNames names;
    AdapterFacts adapter;
};

std::string factLine(std::string_view name, const std::string& value) {
    if (value.empty()) return "";
    std::string line(FactIndent);
    line += name;
    line.append(name.size() < size_t(FactNameWidth) ? size_t(FactNameWidth) - name.size() : 1, ' ');
    return line + value + "\n";
}

std::string portText(const ListedPort& port) {
    const PortListing& entry = port.entry;
    std::string text = "COM" + std::to_string(entry.port) + "  " + entry.description + stateText(entry) + "\n";
    text += factLine("by-path", port.names.byPath);
    text += factLine("by-id", port.names.byId);
    text += factLine("location", port.names.locationPath);
    text += factLine("adapter", adapterText(port.adapter));
    return text;
}

std::string portJson(const ListedPort& port) {
    const PortListing& entry = port.entry;
    std::optional<long long> lockOwner;
    if (entry.lockOwner > 0) lockOwner = entry.lockOwner;
    const ListedPortFacts facts{"COM" + std::to_string(entry.port), entry.device, entry.description,
                                std::string(stateWord(entry.state)), lockOwner, port.names, port.adapter};
    return factsJson(listedPortFacts(facts)) + "\n";
}

}  // namespace

int runPortsCommand(bool json, std::FILE* out, std::FILE* err) {
    const std::vector<PortListing> listing = listPorts();
    if (listing.empty()) {
        std::fputs("flashwright-cli: no serial port found\n", err);
        std::fflush(err);
    }
    std::string warnings;
    for (const PortListing& entry : listing) {
        const std::string device = serialBackend().canonicalDevice(entry.device);
        const ListedPort port{entry, stableNamesOf(device), adapterFacts(device)};
        const std::string shownAs = "COM" + std::to_string(entry.port) + " (" + entry.description + ")";
        if (const std::string warning = latencyWarning(shownAs, port.adapter); !warning.empty()) {
            warnings += "flashwright-cli: " + warning + "\n";
        }
        std::fputs((json ? portJson(port) : portText(port)).c_str(), out);
    }
    std::fflush(out);
    std::fputs(warnings.c_str(), err);
    std::fflush(err);
    return ExitSuccess;
}

}  // namespace kq::cli
