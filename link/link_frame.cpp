// LinkFrame building, CRC, and the search for a reply in the incoming bytes.
#include "link/link_frame.h"

#include <atomic>
#include <cstring>

#include "link/big_endian.h"
#include "link/serial_backend.h"
#include "link/serial_port.h"

namespace kq {
namespace {

constexpr uint16_t CrcPolynomial = 0x8408;  // 0x1021 bit-reflected
constexpr int DrainScratchBytes = 256;      // drain read buffer, bytes
constexpr int DrainLimitMs = 1000;          // a line that never falls quiet stops a drain after this, ms

constexpr int FlashMinLength = 6;     // L of an empty flash-address reply, bytes
constexpr int FlashMaxLength = 518;   // L of a 512-byte flash-address reply, bytes
constexpr int ModuleMinLength = 8;    // L of an empty module-address reply, bytes
constexpr int ModuleMaxLength = 520;  // L of a 512-byte module-address reply, bytes
constexpr int FrameOverheadBytes = 7; // whole frame = L + this (starts, L field, CRC, end)
constexpr uint8_t ErrorFlagBit = ErrorBit >> 8;  // ErrorBit as seen in the command word's high byte

constexpr std::array<uint16_t, 256> makeCrcTable() {
    std::array<uint16_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        uint16_t crc = static_cast<uint16_t>(byte);
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ CrcPolynomial) : crc >> 1;
        table[byte] = crc;
    }
    return table;
}

constexpr std::array<uint16_t, 256> CrcTable = makeCrcTable();

// Replies found per port (index 0 for a port outside 1..32). Each port's
// count is touched by the thread that runs that port; atomic so that another
// thread may read it.
std::array<std::atomic<uint32_t>, MaxPorts + 1> replyCounts{};

std::atomic<uint32_t>& replyCounter(int port) { return replyCounts[port >= 1 && port <= MaxPorts ? port : 0]; }

// Writes start, L, start and command; the caller fills address and payload.
int finishFrame(uint8_t* out, uint16_t code, int headerBytes, int n) {
    const int length = headerBytes - 4 + n;  // command word, address and payload
    out[0] = FrameStart;
    putBigEndian16(out + 1, static_cast<uint16_t>(length));
    out[3] = FrameStart;
    putBigEndian16(out + 4, code);
    const int crcAt = headerBytes + n;
    putBigEndian16(out + crcAt, crc16(out, static_cast<size_t>(crcAt)));
    out[crcAt + 2] = FrameEnd;
    return crcAt + FrameTrailerBytes;
}

// The tests shared by both layouts: framing, length, completeness, CRC and end
// byte, in that order. Returns L, or 0 when the candidate fails one of them.
int checkFrameShape(const uint8_t* candidate, int available, int headerBytes, int minLength, int maxLength) {
    if (available < headerBytes + FrameTrailerBytes) return 0;
    if (candidate[0] != FrameStart || candidate[3] != FrameStart) return 0;
    const int length = bigEndian16(candidate + 1);
    if (length < minLength || length > maxLength) return 0;
    if (available < length + FrameOverheadBytes) return 0;
    if (crc16(candidate, static_cast<size_t>(length + 4)) != bigEndian16(candidate + length + 4)) return 0;
    if (candidate[length + 6] != FrameEnd) return 0;
    return length;
}

bool commandMatches(const uint8_t* candidate, uint16_t code) {
    return (bigEndian16(candidate + 4) & static_cast<uint16_t>(~ErrorBit)) == (code | ReplyBit);
}

// One receive: polls with the budget of the time-out and scans every held byte
// for a reply that validate() accepts.
//
// A poll collects up to ReceiveChunkBytes for just over ReceivePollMs. It
// scans after every read instead of only at its end, so a reply is handed
// back as soon as its last byte is in; a poll that finds none still lasts its
// full time, which keeps the budgets of silent or noisy lines unchanged.
//
// The budget starts once the request has left the line (sendingUs): a module
// cannot answer what it has not received, and at a low rate a long request
// takes longer on the wire than its time-out. A poll that starts before then
// lasts the rest of the wire time longer (one wait, no extra wake-up), and a
// poll that ends before then is not counted (unless a read failed: a dead
// device must not be polled in a busy loop).
template <typename Validate>
ReceiveOutcome receiveReply(int port, uint8_t* payload, int& length, int timeoutMs, Validate validate) {
    uint8_t buffer[ReceiveBufferBytes];
    int held = 0;
    const int budget = receivePollBudget(timeoutMs < 0 ? 0 : timeoutMs);
    SerialBackend& backend = serialBackend();
    const auto p = static_cast<int16_t>(port);
    constexpr uint32_t FullPollUs = ReceivePollMs * MicrosPerMs;

    for (int poll = 0; poll < budget;) {
        const uint32_t pollUs = FullPollUs + sendingUs(port);
        bool readFailed = false;
        const int heldBefore = held;
        const uint32_t pollStart = backend.tickUs();
        for (;;) {
            const int16_t got = readAvailable(p, buffer + held, ReceiveChunkBytes - (held - heldBefore));
            if (got < 0) {
                held = heldBefore;  // a failed poll brings nothing
                readFailed = true;
                break;
            }
            held += got;
            // New bytes may complete a candidate anywhere: scan from the first byte.
            for (int i = 0; got > 0 && i < held; ++i) {
                if (buffer[i] != FrameStart || validate(buffer + i, held - i, payload, length) != 0) continue;
                replyCounter(port).fetch_add(1, std::memory_order_relaxed);
                return (buffer[i + 4] & ErrorFlagBit) ? ReplyWithError : ReplyOk;
            }
            if (held - heldBefore >= ReceiveChunkBytes) break;
            const uint32_t elapsed = backend.tickUs() - pollStart;
            if (elapsed > pollUs) break;
            waitForInput(p, static_cast<int>(pollUs + 1 - elapsed));
        }
        if (held > ReceiveHoldLimit) {
            std::memmove(buffer, buffer + ReceiveDropBytes, static_cast<size_t>(held - ReceiveDropBytes));
            held -= ReceiveDropBytes;
        }
        if (held >= ReceiveHoldLimit) break;
        if (readFailed || sendingUs(port) == 0) ++poll;
    }
    return NoValidReply;
}

}  // namespace

uint32_t repliesFound(int port) { return replyCounter(port).load(std::memory_order_relaxed); }

uint16_t crc16(const uint8_t* bytes, size_t count) {
    uint16_t crc = 0;
    for (size_t i = 0; i < count; ++i) crc = static_cast<uint16_t>(CrcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8));
    return crc;
}

int buildFrame(uint8_t* out, uint16_t code, uint32_t address, const uint8_t* payload, int n) {
    if (n < 0 || n > MaxFlashPayload || (n > 0 && !payload)) return 0;
    putBigEndian32(out + 6, address);
    if (n > 0) std::memcpy(out + FlashHeaderBytes, payload, static_cast<size_t>(n));
    return finishFrame(out, code, FlashHeaderBytes, n);
}

int buildModuleFrame(uint8_t* out, uint16_t code, const ModuleAddress& address, const uint8_t* payload, int n) {
    if (n < 0 || n > MaxModulePayload || (n > 0 && !payload)) return 0;
    std::memcpy(out + 6, address.data(), address.size());
    if (n > 0) std::memcpy(out + ModuleHeaderBytes, payload, static_cast<size_t>(n));
    return finishFrame(out, code, ModuleHeaderBytes, n);
}

DrainResult drainInput(int port) {
    uint8_t scratch[DrainScratchBytes];
    SerialBackend& backend = serialBackend();
    const uint32_t start = backend.tickUs();
    for (;;) {
        int received = 0;
        const TimedReadResult read = readWithTimeout(port, scratch, 0, DrainChunkBytes, DrainQuietMs, received);
        if (read != TimedReadResult::Finished) return DrainResult::ReadFailed;
        if (received == 0) return DrainResult::Quiet;
        // A line that keeps talking would hold the drain for ever; the purge
        // before the request and the reply scan deal with what is left.
        if (backend.tickUs() - start > DrainLimitMs * MicrosPerMs) return DrainResult::Quiet;
    }
}

namespace {

FrameSendResult sendBuilt(int port, const uint8_t* frame, int frameLength) {
    if (frameLength == 0) return FrameSendResult::BlockFailed;
    int sent = 0;
    if (sendBlock(port, frame, frameLength, sent) != BlockSendResult::Sent || sent != frameLength) {
        return FrameSendResult::BlockFailed;
    }
    return FrameSendResult::Sent;
}

}  // namespace

FrameSendResult sendFrameWithoutDrain(int port, uint16_t code, uint32_t address, const uint8_t* payload, int n) {
    uint8_t frame[FrameBufferBytes];
    return sendBuilt(port, frame, buildFrame(frame, code, address, payload, n));
}

FrameSendResult sendModuleFrameWithoutDrain(int port, uint16_t code, const ModuleAddress& address,
                                            const uint8_t* payload, int n) {
    uint8_t frame[FrameBufferBytes];
    return sendBuilt(port, frame, buildModuleFrame(frame, code, address, payload, n));
}

int validateFrame(uint16_t code, uint32_t address, const uint8_t* candidate, int available, uint8_t* payload,
                  int& length) {
    const int frameLength = checkFrameShape(candidate, available, FlashHeaderBytes, FlashMinLength, FlashMaxLength);
    if (frameLength == 0) return 1;
    if (bigEndian32(candidate + 6) != address) return 1;
    if (!commandMatches(candidate, code)) return 1;
    length = frameLength - FlashMinLength;
    std::memcpy(payload, candidate + FlashHeaderBytes, static_cast<size_t>(length));
    return 0;
}

int validateModuleFrame(uint16_t code, const ModuleAddress& address, const uint8_t* candidate, int available,
                        uint8_t* payload, int& length) {
    const int frameLength =
        checkFrameShape(candidate, available, ModuleHeaderBytes, ModuleMinLength, ModuleMaxLength);
    if (frameLength == 0) return 1;
    for (size_t k = 0; k < address.size(); ++k)
        if (address[k] != WildcardByte && address[k] != candidate[6 + k]) return 1;
    if (!commandMatches(candidate, code)) return 1;
    length = frameLength - ModuleMinLength;
    std::memcpy(payload, candidate + ModuleHeaderBytes, static_cast<size_t>(length));
    return 0;
}

ReceiveOutcome receiveFrame(int port, uint16_t code, uint32_t address, uint8_t* payload, int& length,
                            int timeoutMs) {
    return receiveReply(port, payload, length, timeoutMs,
                        [&](const uint8_t* candidate, int available, uint8_t* out, int& outLength) {
                            return validateFrame(code, address, candidate, available, out, outLength);
                        });
}

ReceiveOutcome receiveModuleFrame(int port, uint16_t code, const ModuleAddress& address, uint8_t* payload,
                                  int& length, int timeoutMs) {
    return receiveReply(port, payload, length, timeoutMs,
                        [&](const uint8_t* candidate, int available, uint8_t* out, int& outLength) {
                            return validateModuleFrame(code, address, candidate, available, out, outLength);
                        });
}

}  // namespace kq
