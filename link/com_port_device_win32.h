// The Plug and Play device of a COM port on Windows, found with SetupAPI by
// the port name its registry key holds, and the devices above it (an FTDI
// port's USB device, a composite device's interface's parent).
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>

#include <optional>
#include <string>

namespace kq {

class ComPortDevice {
public:
    // portName: "COM3" or "\\.\COM3" (any case).
    explicit ComPortDevice(const std::wstring& portName);
    ~ComPortDevice();
    ComPortDevice(const ComPortDevice&) = delete;
    ComPortDevice& operator=(const ComPortDevice&) = delete;

    bool found() const { return found_; }
    // A registry property of the port's device (SPDRP_...); a multi-string
    // gives its first string; "" when it has none.
    std::wstring property(DWORD spdrp) const;
    // A DWORD value of the port's hardware key ("Device Parameters"), which
    // any user may read.
    std::optional<DWORD> hardwareKeyNumber(const wchar_t* name) const;

    // The device node of the port (its instance id reads, say,
    // "FTDIBUS\VID_0403+PID_6001+A1B2C3A\0000").
    DEVINST node() const { return info_.DevInst; }

private:
    bool findIn(const GUID& guid, DWORD flags, const std::wstring& portName);

    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA info_{};
    bool found_ = false;
};

// The instance id of a device node ("USB\VID_0403&PID_6001\A1B2C3"), "" when unknown.
std::wstring instanceIdOf(DEVINST node);
// A registry property of a device node (CM_DRP_...); a multi-string gives its first string.
std::wstring nodeProperty(DEVINST node, ULONG cmDrp);
// The node's parent, if it has one.
std::optional<DEVINST> parentOf(DEVINST node);

// "COM3" from "\\.\com3": the namespace dropped, ASCII letters upper case.
std::wstring comPortName(const std::wstring& device);

}  // namespace kq
