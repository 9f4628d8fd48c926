#include "upgrade_window/port_items.h"

namespace kq {

std::string portItemText(int port, const std::string& device) {
    std::string text = (port < 10 ? "COM " : "COM") + std::to_string(port);
    if (!device.empty()) text += " (" + device + ")";
    return text;
}

}  // namespace kq
