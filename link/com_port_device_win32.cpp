#include "link/com_port_device_win32.h"

namespace kq {

namespace {

// The setup class of serial and parallel ports ("Ports"), and the device
// interface class of COM ports (GUID_DEVINTERFACE_COMPORT in winioctl.h).
constexpr GUID PortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
constexpr GUID ComPortInterface = {0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};

constexpr DWORD PropertyBytes = 2048;       // longest property text read, bytes
constexpr DWORD PortNameChars = 64;         // longest PortName value read, characters
constexpr const wchar_t* DeviceNamespace = L"\\\\.\\";

std::wstring upperAscii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

// The first string of a string or multi-string buffer of size bytes.
std::wstring firstString(const wchar_t* buffer, DWORD bytes) {
    const size_t chars = bytes / sizeof(wchar_t);
    size_t length = 0;
    while (length < chars && buffer[length] != L'\0') ++length;
    return std::wstring(buffer, length);
}

// The port name the system keeps in the device's hardware key, upper case.
std::wstring portNameOf(HDEVINFO set, SP_DEVINFO_DATA& info) {
    HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) return {};
    wchar_t name[PortNameChars] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? upperAscii(name) : std::wstring();
}

}  // namespace

std::wstring comPortName(const std::wstring& device) {
    const std::wstring prefix(DeviceNamespace);
    const bool spaced = device.size() > prefix.size() && device.compare(0, prefix.size(), prefix) == 0;
    return upperAscii(spaced ? device.substr(prefix.size()) : device);
}

ComPortDevice::ComPortDevice(const std::wstring& portName) {
    const std::wstring wanted = comPortName(portName);
    // Ports of the Ports class (most adapters), then any other device that
    // offers the COM port interface (some modems and composite devices).
    found_ = findIn(PortsClass, DIGCF_PRESENT, wanted) ||
             findIn(ComPortInterface, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE, wanted);
}

ComPortDevice::~ComPortDevice() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
}

bool ComPortDevice::findIn(const GUID& guid, DWORD flags, const std::wstring& portName) {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
    set_ = SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags);
    if (set_ == INVALID_HANDLE_VALUE) return false;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set_, i, &info); ++i) {
        if (portNameOf(set_, info) == portName) {
            info_ = info;
            return true;
        }
    }
    return false;
}

std::wstring ComPortDevice::property(DWORD spdrp) const {
    if (!found_) return {};
    wchar_t buffer[PropertyBytes / sizeof(wchar_t)] = {};
    DWORD type = 0;
    DWORD size = 0;
    SP_DEVINFO_DATA info = info_;
    if (!SetupDiGetDeviceRegistryPropertyW(set_, &info, spdrp, &type, reinterpret_cast<BYTE*>(buffer),
                                           sizeof buffer - 2 * sizeof(wchar_t), &size))
        return {};
    if (type != REG_SZ && type != REG_MULTI_SZ) return {};
    return firstString(buffer, size);
}

std::optional<DWORD> ComPortDevice::hardwareKeyNumber(const wchar_t* name) const {
    if (!found_) return std::nullopt;
    SP_DEVINFO_DATA info = info_;
    HKEY key = SetupDiOpenDevRegKey(set_, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) return std::nullopt;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    const LONG result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
    return value;
}

std::wstring instanceIdOf(DEVINST node) {
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return {};
    return id;
}

std::wstring nodeProperty(DEVINST node, ULONG cmDrp) {
    wchar_t buffer[PropertyBytes / sizeof(wchar_t)] = {};
    ULONG type = 0;
    ULONG size = sizeof buffer - 2 * sizeof(wchar_t);
    if (CM_Get_DevNode_Registry_PropertyW(node, cmDrp, &type, buffer, &size, 0) != CR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_MULTI_SZ) return {};
    return firstString(buffer, size);
}

std::optional<DEVINST> parentOf(DEVINST node) {
    DEVINST parent = 0;
    if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return std::nullopt;
    return parent;
}

}  // namespace kq
