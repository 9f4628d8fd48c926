// Adapter facts from sysfs (Linux). Every attribute file is read up to a
// small bound, and a path is only followed while it stays inside the root.
#include "link/adapter_facts_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/real_path_posix.h"
#include "platform/unique_fd_posix.h"

namespace kq {

namespace {

constexpr size_t AttributeBytes = 256;   // longest attribute text read (USB strings are at most 126 characters)
constexpr int LongestLatencyMs = 255;    // the timer's range on the adapters that have one, ms
constexpr size_t UsbIdDigits = 4;        // hex digits of a USB vendor or product id
constexpr int DeepestUsbDevice = 8;      // folders climbed from the port's device to its USB device

// The attribute's text without its line end; "" when it cannot be read.
std::string attribute(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.valid()) return "";
    char buffer[AttributeBytes];
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got <= 0) return "";
    std::string text(buffer, static_cast<size_t>(got));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string lastPart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? "" : path.substr(0, slash);
}

bool isHexId(const std::string& text) {
    if (text.size() != UsbIdDigits) return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// A tty name as it appears in /dev: no folder parts, nothing to climb out with.
bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

AdapterFacts adapterFactsFromSysfs(const std::string& ttyName, const std::string& root) {
    AdapterFacts facts;
    if (!isPlainName(ttyName)) return facts;
    const std::string top = realPathOf(root);
    const std::string device = realPathOf(root + "/class/tty/" + ttyName + "/device");
    if (top.empty() || device.empty() || !device.starts_with(top + "/")) return facts;

    const std::string driver = realPathOf(device + "/driver");
    if (!driver.empty()) facts.driver = lastPart(driver);

    std::string folder = device;
    for (int level = 0; level < DeepestUsbDevice && folder.starts_with(top + "/"); ++level) {
        const std::string vendor = attribute(folder + "/idVendor");
        const std::string product = attribute(folder + "/idProduct");
        if (isHexId(vendor) && isHexId(product)) {
            facts.vendorId = lowerAscii(vendor);
            facts.productId = lowerAscii(product);
            facts.serialNumber = attribute(folder + "/serial");
            facts.manufacturer = attribute(folder + "/manufacturer");
            facts.product = attribute(folder + "/product");
            break;
        }
        folder = parentOf(folder);
    }

    const std::string latency = attribute(root + "/bus/usb-serial/devices/" + ttyName + "/latency_timer");
    char* end = nullptr;
    const long ms = latency.empty() ? -1 : std::strtol(latency.c_str(), &end, 10);
    if (end && *end == '\0' && ms >= 0 && ms <= LongestLatencyMs) facts.latencyTimerMs = static_cast<int>(ms);
    return facts;
}

AdapterFacts adapterFacts(const std::string& device) {
    const std::string real = realPathOf(device);
    if (real.empty()) return {};
    return adapterFactsFromSysfs(lastPart(real), SysfsRoot);
}

std::string latencyAdvice(const AdapterFacts& facts) {
    // The rule matches the port's own usb-serial driver; FTDI's is the one with the timer.
    const std::string driver = facts.driver.empty() ? "ftdi_sio" : facts.driver;
    return "Set it to 1 ms with a udev rule, e.g. in /etc/udev/rules.d/99-serial-latency.rules: "
           "ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"" + driver +
           "\", ATTR{latency_timer}=\"1\" (then plug the adapter in again).";
}

}  // namespace kq
