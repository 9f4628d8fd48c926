// The link frame that carries every request and reply, its CRC, and the
// operations that send a request and find the matching reply in the input.
//
// Flash-address layout (n = payload length, numbers big-endian):
//   68 | L=n+6 (2) | 68 | command (2) | address (4) | payload (n) | crc16 (2, high first) | 16
// Module-address layout: the same with a 6-byte ModuleAddress, L = n+8.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kq {

// Six bytes naming one module, byte 0 first on the line; 0xAA in an expected
// address accepts any byte of a reply.
using ModuleAddress = std::array<uint8_t, 6>;

inline constexpr uint8_t FrameStart = 0x68;
inline constexpr uint8_t FrameEnd = 0x16;
inline constexpr uint16_t ReplyBit = 0x8000;        // set in every reply's command word
inline constexpr uint16_t ErrorBit = 0x4000;        // set when the module failed the command
inline constexpr uint8_t WildcardByte = 0xAA;       // module-address byte that matches any byte

inline constexpr int FrameBufferBytes = 1024;       // request build buffer
inline constexpr int ReceiveBufferBytes = 2048;     // receive scan buffer
inline constexpr int ReceiveHoldLimit = 1024;       // held bytes without a reply that end a receive
inline constexpr int ReceiveDropBytes = 512;        // oldest bytes dropped when more than the limit are held
inline constexpr int ReceiveChunkBytes = 64;        // bytes asked for per poll
inline constexpr int ReceivePollMs = 10;            // time-out of one poll, ms
inline constexpr int DrainChunkBytes = 64;          // bytes asked for per drain read
inline constexpr int DrainQuietMs = 2;              // quiet interval that ends a drain, ms
inline constexpr int MaxReplyPayload = 512;         // a caller's reply buffer must hold this much

inline constexpr int FlashHeaderBytes = 10;         // start, L, start, command, 4-byte address
inline constexpr int ModuleHeaderBytes = 12;        // start, L, start, command, 6-byte module address
inline constexpr int FrameTrailerBytes = 3;         // CRC (2) and end byte
inline constexpr int MaxFlashPayload = FrameBufferBytes - FlashHeaderBytes - FrameTrailerBytes;    // 1011
inline constexpr int MaxModulePayload = FrameBufferBytes - ModuleHeaderBytes - FrameTrailerBytes;  // 1009

// ReceiveOutcome: result of receiveFrame / receiveModuleFrame.
enum ReceiveOutcome : int { ReplyOk = 0, ReplyWithError = 1, NoValidReply = 2 };

// Result of drainInput.
enum class DrainResult : int {
    Quiet = 0,       // nothing is waiting any more
    ReadFailed = 1,  // a read failed (e.g. the port is not open)
};

// Result of sendFrameWithoutDrain and sendModuleFrameWithoutDrain.
enum class FrameSendResult : int {
    Sent = 0,
    BlockFailed = 2,  // sendBlock failed, or the payload was too long for a frame
};

// CRC-16/KERMIT (reflected 0x1021, init 0, no final XOR), table-driven.
uint16_t crc16(const uint8_t* bytes, size_t count);

// Poll budget of a receive with time-out t ms: floor(t / 10) + 2.
constexpr int receivePollBudget(int timeoutMs) { return timeoutMs / ReceivePollMs + 2; }

// Builds a request into out (FrameBufferBytes at least); returns its length
// (n + 13, or n + 15 for the module layout), or 0 when the payload is too long.
int buildFrame(uint8_t* out, uint16_t code, uint32_t address, const uint8_t* payload, int n);
int buildModuleFrame(uint8_t* out, uint16_t code, const ModuleAddress& address, const uint8_t* payload, int n);

// Reads and discards input until the line has been quiet for DrainQuietMs.
DrainResult drainInput(int port);

// Sends one request frame, for a caller that has just drained the input
// itself (drainInput; the block send still purges it).
FrameSendResult sendFrameWithoutDrain(int port, uint16_t code, uint32_t address, const uint8_t* payload, int n);
FrameSendResult sendModuleFrameWithoutDrain(int port, uint16_t code, const ModuleAddress& address,
                                            const uint8_t* payload, int n);

// Polls for the reply to (code, address) for the budget of timeoutMs, counted
// from the moment the port's last request has left the line (sendingUs); the
// payload goes to payload (room for MaxReplyPayload) and its length to length.
ReceiveOutcome receiveFrame(int port, uint16_t code, uint32_t address, uint8_t* payload, int& length,
                            int timeoutMs);
ReceiveOutcome receiveModuleFrame(int port, uint16_t code, const ModuleAddress& address, uint8_t* payload,
                                  int& length, int timeoutMs);

// Replies the receive operations have found on one port since the program
// started, with or without the error bit (a run on another port does not
// count). The commands report a refusal and a silence alike; this lets a
// front end tell a module that refuses from one that never answers.
uint32_t repliesFound(int port);

// 0 = candidate is a valid reply (payload delivered); 1 = not a valid reply.
int validateFrame(uint16_t code, uint32_t address, const uint8_t* candidate, int available, uint8_t* payload,
                  int& length);
int validateModuleFrame(uint16_t code, const ModuleAddress& address, const uint8_t* candidate, int available,
                        uint8_t* payload, int& length);

}  // namespace kq
