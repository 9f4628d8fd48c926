// Turns one request into the module's reaction: checks that the line settings
// and the module address fit, applies the fault plan, lets the module carry
// the command out and builds the reply frame.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "sim/bootloader_model.h"
#include "sim/fault_plan.h"
#include "sim/request_parser.h"

namespace kq::sim {

// How a request was answered, as the request log names it.
enum class ReplyKind {
    Ok,       // reply without the error bit
    Error,    // the module refused or failed the command (error bit)
    Silent,   // an injected fault swallowed it
    None,     // nothing to answer: a command without reply, not for this module, or not heard by the running program
    Garbled,  // the line settings differ from the module's: bytes were noise to it
    Foreign,  // answered from another address
};
std::string_view replyKindName(ReplyKind kind);

inline constexpr uint32_t ForeignAddressStep = 0x200;  // flash-layout foreign replies name the next sector

struct Handling {
    ReplyKind kind = ReplyKind::None;
    std::vector<uint8_t> reply;       // the reply frame; empty when nothing goes out
    int delayMs = 0;                  // processing time before the reply
    ModuleMode mode = ModuleMode::Boot;  // the program that was running when the request came
    bool addressed = true;            // module layout: the request named this module
    std::optional<uint32_t> offset;   // remote-write: the frame's image offset
    std::optional<uint16_t> crc;      // read-crc: the CRC that was answered
};

class RequestHandler {
public:
    RequestHandler(BootloaderModel& module, FaultPlan& faults, const ModuleAddress& own)
        : module_(module), faults_(faults), own_(own) {}

    // lineMatches: the flasher's baud rate and parity are the module's.
    Handling handle(const Request& request, bool lineMatches);

private:
    std::vector<uint8_t> buildReply(const Request& request, bool error, bool foreign,
                                    const std::vector<uint8_t>& payload) const;

    BootloaderModel& module_;
    FaultPlan& faults_;
    ModuleAddress own_;
};

}  // namespace kq::sim
