// Stable names on Windows: the COM name is the system's own name for the
// adapter; beside it the device's location path (SPDRP_LOCATION_PATHS), the
// USB socket it is in. An FTDI port's own node has no location: its USB
// device's is taken.
#include "link/stable_names.h"

#include "link/com_port_device_win32.h"
#include "platform/utf16_win32.h"

namespace kq {

namespace {

constexpr int ParentsToLocatedDevice = 3;  // device nodes climbed from the port to one with a location path

}  // namespace

StableNames stableNamesOf(const std::string& device) {
    StableNames names;
    const std::optional<std::wstring> wide = utf8ToUtf16(device);
    if (!wide) return names;
    const ComPortDevice port(*wide);
    if (!port.found()) return names;
    std::wstring location = port.property(SPDRP_LOCATION_PATHS);
    DEVINST node = port.node();
    for (int level = 0; location.empty() && level < ParentsToLocatedDevice; ++level) {
        const std::optional<DEVINST> parent = parentOf(node);
        if (!parent) break;
        node = *parent;
        location = nodeProperty(node, CM_DRP_LOCATION_PATHS);
    }
    names.locationPath = utf16ToUtf8(location);
    return names;
}

}  // namespace kq
