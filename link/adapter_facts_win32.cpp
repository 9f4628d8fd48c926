// Adapter facts on Windows: the COM port's device (SetupAPI), its hardware id
// ("FTDIBUS\COMPORT&VID_0403&PID_6001", "USB\VID_1A86&PID_7523&REV_0264") for
// the USB ids, the USB device's instance id for the serial number, the
// driver service, and the FTDI driver's LatencyTimer value in the port's
// hardware key (Device Parameters, readable without administrator rights).
#include "link/adapter_facts.h"

#include <cwchar>

#include "link/com_port_device_win32.h"
#include "platform/utf16_win32.h"

namespace kq {

namespace {

constexpr int ParentsToUsbDevice = 3;   // device nodes climbed from the port to its USB device
constexpr size_t UsbIdDigits = 4;       // hex digits of a USB vendor or product id
constexpr DWORD LongestLatencyMs = 255; // the timer's range, ms

std::wstring upperAscii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

bool isHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'); }

// The four hex digits after key ("VID_") in an id, lower case; "" when absent.
std::string usbIdAfter(const std::wstring& id, const wchar_t* key) {
    const std::wstring upper = upperAscii(id);
    const size_t at = upper.find(key);
    if (at == std::wstring::npos) return "";
    const size_t start = at + wcslen(key);
    if (upper.size() < start + UsbIdDigits) return "";
    std::string digits;
    for (size_t k = start; k < start + UsbIdDigits; ++k) {
        if (!isHexDigit(upper[k])) return "";
        digits += static_cast<char>(upper[k] >= L'A' ? upper[k] - L'A' + 'a' : upper[k]);
    }
    return digits;
}

// The USB device a port belongs to: the port itself for a USB CDC port, its
// parent for an FTDI port (FTDIBUS\...) or a composite device's interface
// (USB\VID_...&MI_00\...). Its instance id, or "" when there is none.
std::wstring usbDeviceId(DEVINST node) {
    for (int level = 0; level <= ParentsToUsbDevice; ++level) {
        const std::wstring id = instanceIdOf(node);
        const std::wstring upper = upperAscii(id);
        if (upper.rfind(L"USB\\", 0) == 0 && upper.find(L"&MI_") == std::wstring::npos) return id;
        const std::optional<DEVINST> parent = parentOf(node);
        if (!parent) break;
        node = *parent;
    }
    return {};
}

// The serial number at the end of a USB device's instance id; a part with
// '&' in it is one the system made up for a device without a serial number.
std::string serialNumberOf(const std::wstring& usbId) {
    const size_t slash = usbId.find_last_of(L'\\');
    if (slash == std::wstring::npos) return "";
    const std::wstring last = usbId.substr(slash + 1);
    return last.find(L'&') == std::wstring::npos ? utf16ToUtf8(last) : "";
}

}  // namespace

AdapterFacts adapterFacts(const std::string& device) {
    AdapterFacts facts;
    const std::optional<std::wstring> wide = utf8ToUtf16(device);
    if (!wide) return facts;
    const ComPortDevice port(*wide);
    if (!port.found()) return facts;

    const std::wstring usbId = usbDeviceId(port.node());
    const std::wstring hardwareId = port.property(SPDRP_HARDWAREID);
    facts.vendorId = usbIdAfter(hardwareId, L"VID_");
    facts.productId = usbIdAfter(hardwareId, L"PID_");
    if (facts.vendorId.empty() || facts.productId.empty()) {
        facts.vendorId = usbIdAfter(usbId, L"VID_");
        facts.productId = usbIdAfter(usbId, L"PID_");
    }
    if (facts.vendorId.empty() || facts.productId.empty()) facts.vendorId = facts.productId = "";
    facts.serialNumber = serialNumberOf(usbId);
    facts.manufacturer = utf16ToUtf8(port.property(SPDRP_MFG));
    facts.product = utf16ToUtf8(port.property(SPDRP_DEVICEDESC));
    facts.driver = utf16ToUtf8(port.property(SPDRP_SERVICE));
    const std::optional<DWORD> latency = port.hardwareKeyNumber(L"LatencyTimer");
    if (latency && *latency <= LongestLatencyMs) facts.latencyTimerMs = static_cast<int>(*latency);
    return facts;
}

std::string latencyAdvice(const AdapterFacts&) {
    return "Set it to 1 ms in Device Manager \u2192 the port \u2192 Port Settings \u2192 Advanced \u2192 Latency "
           "Timer (then plug the adapter in again).";
}

}  // namespace kq
