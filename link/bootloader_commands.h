// The bootloader's twelve commands, one operation each: check the port, empty
// the input, send the request, await the matching reply where one is expected.
#pragma once

#include <cstdint>

#include "link/link_frame.h"

namespace kq {

enum CommandResult : int {
    Ok = 0,              // sent, and where a reply is expected a valid reply without the error bit came
    BadPort = 1,         // port outside 1..32; nothing sent
    DrainFailed = 2,     // reading pending input failed before the request (port not open)
    SendFailed = 3,      // the request could not be sent
    NoReply = 4,         // no valid reply within the time-out, or a reply with the error bit
    BadReplyLength = 5,  // readFlashCrc: the reply payload is not 6 bytes
};

// Command codes (flash-address layout 0x15xx, module-address layout 0x16xx).
inline constexpr uint16_t CmdResetModule = 0x1500;
inline constexpr uint16_t CmdEraseAll = 0x1501;
inline constexpr uint16_t CmdEraseSector = 0x1502;
inline constexpr uint16_t CmdWriteSector = 0x1508;
inline constexpr uint16_t CmdWriteUpgradeFlag = 0x15FC;
inline constexpr uint16_t CmdReadFlashCrc = 0x15FD;
inline constexpr uint16_t CmdJumpToProgram = 0x15FE;
inline constexpr uint16_t CmdHandshake = 0x15FF;
inline constexpr uint16_t CmdRemoteReset = 0x1600;
inline constexpr uint16_t CmdRemoteConfigure = 0x1601;
inline constexpr uint16_t CmdRemoteWrite = 0x1602;
inline constexpr uint16_t CmdRemoteVerify = 0x1603;

// Reply time-outs, ms (the receive polls floor(t/10)+2 times), each counted
// from the moment the request has left the line at the port's rate.
inline constexpr int HandshakeTimeoutMs = 150;
inline constexpr int EraseAllTimeoutMs = 2000;
inline constexpr int EraseSectorTimeoutMs = 300;
inline constexpr int WriteSectorTimeoutMs = 500;
inline constexpr int ReadFlashCrcTimeoutMs = 2000;
inline constexpr int WriteUpgradeFlagTimeoutMs = 150;
inline constexpr int RemoteConfigureTimeoutMs = 4000;
inline constexpr int RemoteWriteTimeoutMs = 2000;
inline constexpr int RemoteVerifyTimeoutMs = 3000;

inline constexpr int CrcReplyPayloadBytes = 6;     // readFlashCrc reply: 4 bytes not interpreted, CRC high, low
inline constexpr int ConfigurePayloadBytes = 16;   // remoteConfigure request payload
inline constexpr int RemoteWriteHeaderBytes = 4;   // image offset before a remoteWrite chunk

// ---- the commands on a serial port ----------------------------------------------

CommandResult handshake(int port);
CommandResult eraseAll(int port);
CommandResult eraseSector(int port, uint32_t address);
CommandResult writeSector(int port, uint32_t address, const uint8_t* data, int count);
// crc is set only when the result is Ok.
CommandResult readFlashCrc(int port, uint32_t address, uint32_t length, uint16_t& crc);
CommandResult jumpToProgram(int port);
CommandResult resetModule(int port);
CommandResult writeUpgradeFlag(int port);
CommandResult remoteReset(int port, const ModuleAddress& address);
CommandResult remoteConfigure(int port, const ModuleAddress& address, uint32_t upgradeOffset, uint32_t userOffset,
                              uint32_t imageLength, uint16_t imageCrc);
CommandResult remoteWrite(int port, const ModuleAddress& address, uint32_t imageOffset, const uint8_t* data,
                          int count);
CommandResult remoteVerify(int port, const ModuleAddress& address);

// ---- the same set behind an interface ----------------------------------------------
// The upgrade run reaches the module only through this, so that tests can
// script results (fail the second erase, answer a wrong CRC, ...).
class CommandSet {
public:
    virtual ~CommandSet() = default;
    virtual CommandResult handshake(int port) = 0;
    virtual CommandResult eraseAll(int port) = 0;
    virtual CommandResult eraseSector(int port, uint32_t address) = 0;
    virtual CommandResult writeSector(int port, uint32_t address, const uint8_t* data, int count) = 0;
    virtual CommandResult readFlashCrc(int port, uint32_t address, uint32_t length, uint16_t& crc) = 0;
    virtual CommandResult jumpToProgram(int port) = 0;
    virtual CommandResult resetModule(int port) = 0;
    virtual CommandResult writeUpgradeFlag(int port) = 0;
    virtual CommandResult remoteReset(int port, const ModuleAddress& address) = 0;
    virtual CommandResult remoteConfigure(int port, const ModuleAddress& address, uint32_t upgradeOffset,
                                          uint32_t userOffset, uint32_t imageLength, uint16_t imageCrc) = 0;
    virtual CommandResult remoteWrite(int port, const ModuleAddress& address, uint32_t imageOffset,
                                      const uint8_t* data, int count) = 0;
    virtual CommandResult remoteVerify(int port, const ModuleAddress& address) = 0;
};

// The commands above on the serial channel.
class SerialCommandSet final : public CommandSet {
public:
    CommandResult handshake(int port) override;
    CommandResult eraseAll(int port) override;
    CommandResult eraseSector(int port, uint32_t address) override;
    CommandResult writeSector(int port, uint32_t address, const uint8_t* data, int count) override;
    CommandResult readFlashCrc(int port, uint32_t address, uint32_t length, uint16_t& crc) override;
    CommandResult jumpToProgram(int port) override;
    CommandResult resetModule(int port) override;
    CommandResult writeUpgradeFlag(int port) override;
    CommandResult remoteReset(int port, const ModuleAddress& address) override;
    CommandResult remoteConfigure(int port, const ModuleAddress& address, uint32_t upgradeOffset,
                                  uint32_t userOffset, uint32_t imageLength, uint16_t imageCrc) override;
    CommandResult remoteWrite(int port, const ModuleAddress& address, uint32_t imageOffset, const uint8_t* data,
                              int count) override;
    CommandResult remoteVerify(int port, const ModuleAddress& address) override;
};

}  // namespace kq
