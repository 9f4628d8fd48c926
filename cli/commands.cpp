#include "cli/commands.h"

#include <string>

#include "link/port_lock.h"
#include "link/serial_backend.h"
#include "link/serial_port.h"
#include "production/outcome.h"

namespace kq::cli {

using namespace kq::production;

namespace {

constexpr std::string_view StableNameIndent = "      ";

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

}  // namespace

int runPortsCommand(std::FILE* out, std::FILE* err) {
    const std::vector<PortListing> listing = listPorts();
    if (listing.empty()) {
        std::fputs("flashwright-cli: no serial port found\n", err);
        std::fflush(err);
    }
    for (const PortListing& entry : listing) {
        std::string text = "COM" + std::to_string(entry.port) + "  " + entry.description + stateText(entry) + "\n";
        for (const std::string& name : entry.stableNames) text += std::string(StableNameIndent) + name + "\n";
        std::fputs(text.c_str(), out);
    }
    std::fflush(out);
    return ExitSuccess;
}

}  // namespace kq::cli
