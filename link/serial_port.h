// The serial channel: a process-wide table of 32 port slots (COM1..COM32) and
// the operations on them. The logic here is platform-free; the OS calls live
// behind SerialBackend (serial_backend.h), one implementation file per OS.
//
// All operations are synchronous, run on the calling thread and never throw.
//
// Several ports may run at once, one thread each, under two rules: the slots
// are named (initPortNames, portForDevice) and a test backend installed
// before the threads start; afterwards each thread touches its own slot only.
// The counters below are kept per port and may be read from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kq {

class SerialBackend;

inline constexpr int MaxPorts = 32;            // slots 1..32; there is no slot 0
inline constexpr int PortQueueBytes = 8192;    // driver queue size asked for, each direction

// Result of the low-level operations: 0 (or the port number for openDevice) is success.
enum PortStatus : int16_t {
    BadArgument = -1,  // port outside 1..32, byte count <= 0, purge kind not 1..3
    AlreadyOpen = -2,  // openDevice on a slot that holds a handle
    OpenFailed = -3,   // the platform refused to open the device
    WriteFailed = -4,  // the platform write failed
    NotOpen = -5,      // the slot holds no handle
    ReadFailed = -6,   // the device failed a read (unplugged adapter, hung-up line)
};

// Result of openPort.
enum class PortOpenResult : int {
    Opened = 0,  // open and configured
    Failed = 1,  // the port is left closed
};

// Result of closePort.
enum class PortCloseResult : int {
    Closed = 0,
    Failed = 1,  // closeDevice gave a negative status (e.g. the port was not open)
};

// Result of readWithTimeout.
enum class TimedReadResult : int {
    Finished = 0,    // count bytes came, or the time ran out
    ReadFailed = 1,  // a read failed; nothing counts as received
};

// Result of sendBlock.
enum class BlockSendResult : int {
    Sent = 0,
    Failed = 1,  // RTS, purge or write failed; nothing counts as sent
};

enum PurgeKind : int { PurgeInput = 1, PurgeOutput = 2, PurgeBoth = 3 };

// Escape codes of escapeLine (the values the Windows call uses).
enum EscapeCode : int { SetRts = 3, ClearRts = 4 };

// Parity codes: position in the front end's parity list.
enum ParityCode : uint8_t { ParityNone = 0, ParityOdd = 1, ParityEven = 2 };

struct LineSettings {
    uint32_t bitsPerSecond = 9600;
    uint8_t dataBits = 8;
    uint8_t parity = ParityNone;  // ParityCode
    uint8_t stopBits = 0;         // 0 = one stop bit
};

// The baud list, bits per second; a setting keeps the index.
inline constexpr std::array<int, 8> BaudRates = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

// Baud list index 0..7 -> bits per second; any other index gives 2400.
uint32_t baudFromIndex(int baudIndex);

// ---- front-end operations -------------------------------------------------

// Closes every port, renames the slots, then lists (ascending) every port that
// openPort can open. Always returns 0.
int enumeratePorts(std::array<int, MaxPorts>& list, int& count);
// openPort takes the device's lock file (port_lock.h) and closing the port
// gives it back; a lock that another live process holds fails the open.
PortOpenResult openPort(int port, int baudIndex, int dataBits, int parity, int stopBits);
PortCloseResult closePort(int port);

// Who held the port's lock file when its last openPort was refused for it:
// owner as portLockOwner tells it, and the file; owner 0 when the last open
// was not refused for a lock.
struct PortLockRefusal {
    int owner = 0;
    std::string path;
};
PortLockRefusal portLockRefusal(int port);

// ---- low-level operations (PortStatus results) ------------------------------

// Names all 32 slots from the backend and leaves every slot closed (a handle
// still open is closed first, so that its device is not held for good).
void initPortNames();
int16_t openDevice(int16_t port);
int16_t closeDevice(int16_t port);
int16_t isClosed(int16_t port);  // -1 out of range, 1 closed, 0 open
int16_t configurePort(int16_t port, const LineSettings& settings);
int16_t writeBytes(int16_t port, const uint8_t* bytes, int n);
int16_t readAvailable(int16_t port, uint8_t* buffer, int n);
int16_t purgePort(int16_t port, int kind);
int escapeLine(int16_t port, int code);  // non-zero on success
void clearLineErrors(int16_t port);

// ---- timed transfers ------------------------------------------------------------

// Blocks until input is waiting on the port, the device fails, or us
// microseconds passed (never busy). 0 after the wait; -1, -5 as above.
int16_t waitForInput(int16_t port, int us);

inline constexpr uint32_t MicrosPerMs = 1000;

// Collects up to count bytes into buffer[offset..]. Finished (received = bytes
// stored, 0..count) once count bytes came or more than timeoutMs passed;
// ReadFailed when a read failed (received = 0).
TimedReadResult readWithTimeout(int port, uint8_t* buffer, int offset, int count, int timeoutMs, int& received);
// Writes one block with RTS raised around it. Sent: sent = n; Failed: sent = 0.
BlockSendResult sendBlock(int port, const uint8_t* bytes, int n, int& sent);
// Microseconds from now until the last block sent on the port has left the
// line: its wire time at the port's settings from the start of the write, or
// the write's return when that came later. 0 once it has, when nothing was
// sent since the port was configured, and outside 1..32. A reply time-out
// counts from then: a write may return while an adapter still holds the bytes.
uint32_t sendingUs(int port);

// Reads, writes and RTS changes that an open device of one port failed since
// the program started (an adapter pulled out, a hung-up line). A silent line,
// a closed slot or a bad argument never counts. The commands report a dead
// port and a silent module alike; this lets a front end tell them apart.
uint32_t deviceFailuresFound(int port);

// ---- slot names ---------------------------------------------------------------

// Device behind a slot ("" when none or out of range).
std::string portDeviceName(int port);
// What a person knows that device by: the system's friendly name where it has
// one, else the device name ("" when none or out of range).
std::string portDescription(int port);
// Port number whose slot names this device (after resolving links), else puts
// the device into the first slot without a name, or when all are named into
// the highest closed slot; 0 when every slot is open. Asked by one of its
// stable names, a slot named by the bare device is named by that link from
// then on, so that it reaches the device again after a replug.
// Fills the slot names first if no listing has done so yet.
int portForDevice(const std::string& device);

// ---- port listing ----------------------------------------------------------------

// Whether a device can be had now.
enum class PortState {
    Free,          // it opens
    Busy,          // another program has it open, or holds its lock file
    NoPermission,  // the system refuses this user
    Absent,        // no such device, or no working port behind it
};

struct PortListing {
    int port = 0;               // slot 1..32
    std::string device;         // the slot's device name
    std::string description;    // as portDescription
    PortState state = PortState::Absent;
    int lockOwner = 0;          // as portLockOwner: who holds its lock file (0 nobody)
    std::vector<std::string> stableNames;  // names that survive replugging (/dev/serial/by-id/...)
};

// Closes every port, names the slots afresh, and describes, in ascending
// order, every slot whose device is not Absent.
std::vector<PortListing> listPorts();

// ---- platform and clock --------------------------------------------------------

// The backend in use (the platform's own unless a test installed another).
SerialBackend& serialBackend();
// Installs a backend (tests); nullptr restores the platform's own.
void setSerialBackend(SerialBackend* backend);

}  // namespace kq
