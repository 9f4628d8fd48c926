// The twelve bootloader commands: each checks the port, empties the input,
// sends its request and, where one is expected, waits for the matching reply.
#include "link/bootloader_commands.h"

#include <cstring>

#include "link/big_endian.h"
#include "link/serial_port.h"

namespace kq {
namespace {

constexpr int NoReplyExpected = -1;  // time-out marker of the commands that await no reply
constexpr int ImageLengthBytes = 4;  // readFlashCrc request payload: the range length

// The steps before every request: port range, then a drain of stale input.
// This is the request's only drain (the exchanges below send without one):
// the module sees one quiet interval before it, and a second drain right
// after this one could only find bytes of the last microseconds, which the
// purge in the block send discards anyway.
CommandResult prepare(int port) {
    if (port < 1 || port > MaxPorts) return BadPort;
    if (drainInput(port) != DrainResult::Quiet) return DrainFailed;
    return Ok;
}

// Sends the request whose payload is in buffer[0..n) and, unless no reply is
// expected, receives the reply payload into the same buffer.
CommandResult flashExchange(int port, uint16_t code, uint32_t address, uint8_t* buffer, int n, int timeoutMs,
                            int& replyLength) {
    replyLength = 0;
    if (sendFrameWithoutDrain(port, code, address, buffer, n) != FrameSendResult::Sent) return SendFailed;
    if (timeoutMs == NoReplyExpected) return Ok;
    return receiveFrame(port, code, address, buffer, replyLength, timeoutMs) == ReplyOk ? Ok : NoReply;
}

CommandResult moduleExchange(int port, uint16_t code, const ModuleAddress& address, uint8_t* buffer, int n,
                             int timeoutMs) {
    if (sendModuleFrameWithoutDrain(port, code, address, buffer, n) != FrameSendResult::Sent) return SendFailed;
    if (timeoutMs == NoReplyExpected) return Ok;
    int replyLength = 0;
    return receiveModuleFrame(port, code, address, buffer, replyLength, timeoutMs) == ReplyOk ? Ok : NoReply;
}

// A command without request payload in the flash-address layout.
CommandResult simpleFlashCommand(int port, uint16_t code, uint32_t address, int timeoutMs) {
    if (const CommandResult ready = prepare(port); ready != Ok) return ready;
    uint8_t buffer[FrameBufferBytes] = {};  // no request payload; receives the reply's
    int replyLength = 0;
    return flashExchange(port, code, address, buffer, 0, timeoutMs, replyLength);
}

CommandResult simpleModuleCommand(int port, uint16_t code, const ModuleAddress& address, int timeoutMs) {
    if (const CommandResult ready = prepare(port); ready != Ok) return ready;
    uint8_t buffer[FrameBufferBytes] = {};
    return moduleExchange(port, code, address, buffer, 0, timeoutMs);
}

}  // namespace

CommandResult handshake(int port) { return simpleFlashCommand(port, CmdHandshake, 0, HandshakeTimeoutMs); }

CommandResult eraseAll(int port) { return simpleFlashCommand(port, CmdEraseAll, 0, EraseAllTimeoutMs); }

CommandResult eraseSector(int port, uint32_t address) {
    return simpleFlashCommand(port, CmdEraseSector, address, EraseSectorTimeoutMs);
}

CommandResult writeSector(int port, uint32_t address, const uint8_t* data, int count) {
    if (const CommandResult ready = prepare(port); ready != Ok) return ready;
    // A block that does not fit a request cannot be sent (and must not overrun the buffer).
    if (count < 0 || count > MaxFlashPayload || (count > 0 && !data)) return SendFailed;
    uint8_t buffer[FrameBufferBytes];
    if (count > 0) std::memcpy(buffer, data, static_cast<size_t>(count));
    int replyLength = 0;
    return flashExchange(port, CmdWriteSector, address, buffer, count, WriteSectorTimeoutMs, replyLength);
}

CommandResult readFlashCrc(int port, uint32_t address, uint32_t length, uint16_t& crc) {
    if (const CommandResult ready = prepare(port); ready != Ok) return ready;
    uint8_t buffer[FrameBufferBytes];
    putBigEndian32(buffer, length);
    int replyLength = 0;
    const CommandResult result =
        flashExchange(port, CmdReadFlashCrc, address, buffer, ImageLengthBytes, ReadFlashCrcTimeoutMs, replyLength);
    if (result != Ok) return result;
    if (replyLength != CrcReplyPayloadBytes) return BadReplyLength;
    crc = bigEndian16(buffer + 4);
    return Ok;
}

CommandResult jumpToProgram(int port) { return simpleFlashCommand(port, CmdJumpToProgram, 0, NoReplyExpected); }

CommandResult resetModule(int port) { return simpleFlashCommand(port, CmdResetModule, 0, NoReplyExpected); }

CommandResult writeUpgradeFlag(int port) {
    return simpleFlashCommand(port, CmdWriteUpgradeFlag, 0, WriteUpgradeFlagTimeoutMs);
}

CommandResult remoteReset(int port, const ModuleAddress& address) {
    return simpleModuleCommand(port, CmdRemoteReset, address, NoReplyExpected);
}

CommandResult remoteConfigure(int port, const ModuleAddress& address, uint32_t upgradeOffset, uint32_t userOffset,
                              uint32_t imageLength, uint16_t imageCrc) {
    if (const CommandResult ready = prepare(port); ready != Ok) return ready;
    uint8_t buffer[FrameBufferBytes];
    putBigEndian32(buffer, upgradeOffset);
    putBigEndian32(buffer + 4, imageLength);
    putBigEndian16(buffer + 8, imageCrc);
    putBigEndian16(buffer + 10, imageCrc);  // the module expects the CRC twice
    putBigEndian32(buffer + 12, userOffset);
    return moduleExchange(port, CmdRemoteConfigure, address, buffer, ConfigurePayloadBytes, RemoteConfigureTimeoutMs);
}

CommandResult remoteWrite(int port, const ModuleAddress& address, uint32_t imageOffset, const uint8_t* data,
                          int count) {
    if (const CommandResult ready = prepare(port); ready != Ok) return ready;
    if (count < 0 || count > MaxModulePayload - RemoteWriteHeaderBytes || (count > 0 && !data)) return SendFailed;
    uint8_t buffer[FrameBufferBytes];
    putBigEndian32(buffer, imageOffset);
    if (count > 0) std::memcpy(buffer + RemoteWriteHeaderBytes, data, static_cast<size_t>(count));
    return moduleExchange(port, CmdRemoteWrite, address, buffer, RemoteWriteHeaderBytes + count,
                          RemoteWriteTimeoutMs);
}

CommandResult remoteVerify(int port, const ModuleAddress& address) {
    return simpleModuleCommand(port, CmdRemoteVerify, address, RemoteVerifyTimeoutMs);
}

// ---- SerialCommandSet: the free functions behind the interface ------------------

CommandResult SerialCommandSet::handshake(int port) { return kq::handshake(port); }
CommandResult SerialCommandSet::eraseAll(int port) { return kq::eraseAll(port); }
CommandResult SerialCommandSet::eraseSector(int port, uint32_t address) { return kq::eraseSector(port, address); }
CommandResult SerialCommandSet::writeSector(int port, uint32_t address, const uint8_t* data, int count) {
    return kq::writeSector(port, address, data, count);
}
CommandResult SerialCommandSet::readFlashCrc(int port, uint32_t address, uint32_t length, uint16_t& crc) {
    return kq::readFlashCrc(port, address, length, crc);
}
CommandResult SerialCommandSet::jumpToProgram(int port) { return kq::jumpToProgram(port); }
CommandResult SerialCommandSet::resetModule(int port) { return kq::resetModule(port); }
CommandResult SerialCommandSet::writeUpgradeFlag(int port) { return kq::writeUpgradeFlag(port); }
CommandResult SerialCommandSet::remoteReset(int port, const ModuleAddress& address) {
    return kq::remoteReset(port, address);
}
CommandResult SerialCommandSet::remoteConfigure(int port, const ModuleAddress& address, uint32_t upgradeOffset,
                                                uint32_t userOffset, uint32_t imageLength, uint16_t imageCrc) {
    return kq::remoteConfigure(port, address, upgradeOffset, userOffset, imageLength, imageCrc);
}
CommandResult SerialCommandSet::remoteWrite(int port, const ModuleAddress& address, uint32_t imageOffset,
                                            const uint8_t* data, int count) {
    return kq::remoteWrite(port, address, imageOffset, data, count);
}
CommandResult SerialCommandSet::remoteVerify(int port, const ModuleAddress& address) {
    return kq::remoteVerify(port, address);
}

}  // namespace kq
