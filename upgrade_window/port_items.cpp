#include "upgrade_window/port_items.h"

namespace kq {

std::string portItemText(int port, const std::string& description) {
    const std::string name = "COM" + std::to_string(port);
    std::string text = (port < 10 ? "COM " : "COM") + std::to_string(port);
    if (!description.empty() && description != "\\\\.\\" + name) text += " (" + description + ")";
    return text;
}

}  // namespace kq
