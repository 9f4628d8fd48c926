// The Windows serial backend: the Windows communications calls on \\.\COMn,
// handles opened for synchronous I/O.
//
// Waiting for input without polling: a one-byte ReadFile in the documented
// time-out mode "ReadIntervalTimeout = ReadTotalTimeoutMultiplier = MAXDWORD,
// ReadTotalTimeoutConstant = t", which returns at once with a byte that is
// there, else with the first byte to arrive, else after t ms with none. That
// byte is held as a one-byte look-ahead and handed out first by the next read;
// afterwards the port goes back to reads that never wait. This keeps the
// handle synchronous and its blocking WriteFile as it is, and the wait cannot
// miss a byte that arrives just before it starts (a WaitCommEvent(EV_RXCHAR)
// wait needs an overlapped handle, a queue check before it, and wakes early
// for characters it has already seen).
//
// Time-outs run on the system timer, 15.6 ms by default; the link waits 2 ms
// quiet intervals and 10 ms polls. While a port is open the process asks for a
// 1 ms timer period (timeBeginPeriod(1)), given back when the last port closes.
#include <windows.h>
#include <mmsystem.h>
#include <setupapi.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "link/serial_backend.h"
#include "platform/utf16_win32.h"

namespace kq {
namespace {

constexpr UINT TimerPeriodMs = 1;           // system timer period asked for while a port is open, ms
constexpr DWORD LongestWaitMs = MAXDWORD - 1;  // a wait's time-out constant must stay below MAXDWORD, ms
constexpr const wchar_t* DeviceNamespace = L"\\\\.\\";
constexpr std::string_view DeviceNamespaceUtf8 = "\\\\.\\";
// The setup class of serial and parallel ports ("Ports").
constexpr GUID PortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// One open port: its handle and the byte a wait took from the driver queue.
struct OpenPort {
    HANDLE file = INVALID_HANDLE_VALUE;
    int lookAhead = -1;  // 0..255, or -1 for none
};

OpenPort& portOf(SerialBackend::Handle handle) { return *reinterpret_cast<OpenPort*>(handle); }

// Reads return at once with what has arrived; writes have no time-out.
void setReadsNeverWait(HANDLE file) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    SetCommTimeouts(file, &timeouts);
}

// A read returns at once with what has arrived, else with the first byte
// within ms, else after ms with nothing.
void setReadsWaitForFirstByte(HANDLE file, DWORD ms) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = ms;
    SetCommTimeouts(file, &timeouts);
}

// Why CreateFileW refused a port. A port that another program has open
// refuses us with access denied: Windows grants a port to one handle at once.
OpenProblem openProblemOf(DWORD error) {
    OpenProblem problem;
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
            problem.failure = OpenFailure::NoDevice;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            problem.failure = OpenFailure::Busy;
            break;
        case ERROR_DIRECTORY:
            problem.failure = OpenFailure::NotSerial;
            break;
        default:
            problem.failure = OpenFailure::Other;
            problem.systemReason = "system error " + std::to_string(error);
            break;
    }
    return problem;
}

// Upper-case ASCII letters of a device name ("com3" and "COM3" are one device).
std::wstring upperAscii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

// "COM3" for "\\.\COM3" (any other name stays as it is).
std::wstring withoutNamespace(const std::wstring& device) {
    if (device.size() > 4 && device.compare(0, 4, DeviceNamespace) == 0) return device.substr(4);
    return device;
}

// The port name the system keeps for a device ("COM3"), or "".
std::wstring portNameOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) return {};
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? std::wstring(name) : std::wstring();
}

// The friendly name of the present port called portName ("COM3"), or "".
std::wstring friendlyNameOf(const std::wstring& portName) {
    HDEVINFO devices = SetupDiGetClassDevsW(&PortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) return {};
    std::wstring found;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; found.empty() && SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        if (upperAscii(portNameOf(devices, device)) != portName) continue;
        wchar_t name[256] = {};
        if (SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                              reinterpret_cast<BYTE*>(name), sizeof name - sizeof(wchar_t), nullptr))
            found = name;
    }
    SetupDiDestroyDeviceInfoList(devices);
    return found;
}

class Win32SerialBackend final : public SerialBackend {
public:
    Win32SerialBackend() {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        ticksPerSecond_ = static_cast<uint64_t>(std::max<LONGLONG>(frequency.QuadPart, 1));
    }

    // Slot n is \\.\COMn; the listing finds out which of them open.
    std::array<std::string, MaxPorts + 1> portDeviceNames() override {
        std::array<std::string, MaxPorts + 1> names{};
        for (int port = 1; port <= MaxPorts; ++port)
            names[size_t(port)] = std::string(DeviceNamespaceUtf8) + "COM" + std::to_string(port);
        return names;
    }

    std::string canonicalDevice(const std::string& device) override {
        const auto wide = utf8ToUtf16(device);
        if (!wide) return device;
        return utf16ToUtf8(DeviceNamespace + upperAscii(withoutNamespace(*wide)));
    }

    std::string deviceDescription(const std::string& device) override {
        const auto wide = utf8ToUtf16(device);
        if (!wide) return device;
        const std::wstring friendly = friendlyNameOf(upperAscii(withoutNamespace(*wide)));
        return friendly.empty() ? device : utf16ToUtf8(friendly);
    }

    Handle open(const std::string& device, OpenProblem& problem) override {
        const auto wide = utf8ToUtf16(device);
        if (!wide) {
            problem.failure = OpenFailure::NoDevice;
            return NoHandle;
        }
        // No sharing: a port held by another program does not open.
        const HANDLE file = CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            problem = openProblemOf(GetLastError());
            return NoHandle;
        }
        DCB state{};
        state.DCBlength = sizeof state;
        if (!GetCommState(file, &state)) {  // a file or another device, not a port
            CloseHandle(file);
            problem.failure = OpenFailure::NotSerial;
            return NoHandle;
        }
        setReadsNeverWait(file);
        SetupComm(file, PortQueueBytes, PortQueueBytes);
        if (openPorts_.fetch_add(1) == 0) timeBeginPeriod(TimerPeriodMs);
        auto* port = new OpenPort;
        port->file = file;
        return reinterpret_cast<Handle>(port);
    }

    // A port another program has open refuses us with access denied.
    PortState probe(const std::string& device) override {
        const auto wide = utf8ToUtf16(device);
        if (!wide) return PortState::Absent;
        const HANDLE file = CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return GetLastError() == ERROR_ACCESS_DENIED ? PortState::Busy : PortState::Absent;
        }
        DCB state{};
        state.DCBlength = sizeof state;
        const bool isPort = GetCommState(file, &state) != 0;
        CloseHandle(file);
        return isPort ? PortState::Free : PortState::Absent;
    }

    void close(Handle handle) override {
        OpenPort* port = &portOf(handle);
        SetCommMask(port->file, 0);
        CloseHandle(port->file);
        delete port;
        if (openPorts_.fetch_sub(1) == 1) timeEndPeriod(TimerPeriodMs);
    }

    void configure(Handle handle, const LineSettings& settings) override {
        const HANDLE file = portOf(handle).file;
        DCB state{};
        state.DCBlength = sizeof state;
        GetCommState(file, &state);
        state.BaudRate = settings.bitsPerSecond;
        state.ByteSize = settings.dataBits;
        state.Parity = settings.parity;      // NOPARITY, ODDPARITY, EVENPARITY are the parity codes
        state.StopBits = settings.stopBits;  // ONESTOPBIT is code 0
        state.fDtrControl = DTR_CONTROL_ENABLE;
        state.fOutxDsrFlow = 0;
        state.fRtsControl = RTS_CONTROL_ENABLE;
        state.fOutxCtsFlow = 0;
        state.fBinary = 1;
        state.fParity = 0;  // parity is sent; received characters are not tested
        // Left on by an earlier program, these would swallow or replace bytes
        // of a binary protocol (0x11 and 0x13, NUL, characters in error).
        state.fOutX = 0;
        state.fInX = 0;
        state.fNull = 0;
        state.fErrorChar = 0;
        state.fDsrSensitivity = 0;
        SetCommState(file, &state);
        setReadsNeverWait(file);
        SetupComm(file, PortQueueBytes, PortQueueBytes);
    }

    // ClearCommError gives the queue count (and clears a line error, which
    // would stop further reads); a failed device fails it or the ReadFile.
    int read(Handle handle, uint8_t* buffer, int n) override {
        OpenPort& port = portOf(handle);
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(port.file, &errors, &status)) return -1;  // e.g. the adapter was unplugged
        if (n <= 0) return 0;
        int got = 0;
        if (port.lookAhead >= 0) {
            buffer[got++] = static_cast<uint8_t>(port.lookAhead);
            port.lookAhead = -1;
        }
        const DWORD wanted = std::min<DWORD>(static_cast<DWORD>(n - got), status.cbInQue);
        if (wanted == 0) return got;
        DWORD read = 0;
        if (!ReadFile(port.file, buffer + got, wanted, &read, nullptr)) return got > 0 ? got : -1;
        return got + static_cast<int>(read);
    }

    bool write(Handle handle, const uint8_t* bytes, int n) override {
        const HANDLE file = portOf(handle).file;
        int done = 0;
        while (done < n) {
            DWORD written = 0;
            if (!WriteFile(file, bytes + done, static_cast<DWORD>(n - done), &written, nullptr) || written == 0)
                return false;
            done += static_cast<int>(written);
        }
        return true;
    }

    void purge(Handle handle, int kind) override {
        OpenPort& port = portOf(handle);
        DWORD flags = 0;
        if (kind == PurgeInput || kind == PurgeBoth) {
            flags |= PURGE_RXABORT | PURGE_RXCLEAR;
            port.lookAhead = -1;
        }
        if (kind == PurgeOutput || kind == PurgeBoth) flags |= PURGE_TXABORT | PURGE_TXCLEAR;
        PurgeComm(port.file, flags);
    }

    bool setRts(Handle handle, bool raised) override {
        if (EscapeCommFunction(portOf(handle).file, raised ? SETRTS : CLRRTS)) return true;
        return GetLastError() == ERROR_NOT_SUPPORTED;  // a device without modem lines
    }

    void clearErrors(Handle handle) override {
        DWORD errors = 0;
        ClearCommError(portOf(handle).file, &errors, nullptr);
    }

    void waitReadable(Handle handle, int us) override {
        OpenPort& port = portOf(handle);
        const uint32_t start = tickUs();
        while (port.lookAhead < 0) {
            DWORD errors = 0;
            COMSTAT status{};
            if (!ClearCommError(port.file, &errors, &status) || status.cbInQue > 0) return;
            const uint32_t elapsed = tickUs() - start;
            if (us <= 0 || elapsed >= uint32_t(us)) return;
            // Whole milliseconds, rounded up; a driver that ends the wait early
            // is asked again for the rest.
            const DWORD ms = static_cast<DWORD>(std::min<uint32_t>((uint32_t(us) - elapsed + 999) / 1000, LongestWaitMs));
            setReadsWaitForFirstByte(port.file, ms);
            uint8_t byte = 0;
            DWORD got = 0;
            const BOOL read = ReadFile(port.file, &byte, 1, &got, nullptr);
            setReadsNeverWait(port.file);
            if (!read) return;  // the next queue query reports the failure
            if (got == 1) port.lookAhead = byte;
        }
    }

    uint32_t tickUs() override {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        const uint64_t ticks = static_cast<uint64_t>(now.QuadPart);
        // In two parts, so that ticks * 1000000 cannot overflow.
        const uint64_t us = ticks / ticksPerSecond_ * 1000000u + ticks % ticksPerSecond_ * 1000000u / ticksPerSecond_;
        return static_cast<uint32_t>(us);
    }

private:
    uint64_t ticksPerSecond_ = 1;
    std::atomic<int> openPorts_{0};  // ports open on all threads
};

}  // namespace

SerialBackend& platformSerialBackend() {
    static Win32SerialBackend backend;
    return backend;
}

}  // namespace kq
