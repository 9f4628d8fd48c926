#include "sim/request_handler.h"

#include "link/bootloader_commands.h"
#include "sim/backup_upgrade.h"
#include "sim/command_names.h"
#include "sim/module_identity.h"

namespace kq::sim {

std::string_view replyKindName(ReplyKind kind) {
    switch (kind) {
        case ReplyKind::Ok: return "ok";
        case ReplyKind::Error: return "error";
        case ReplyKind::Silent: return "silent";
        case ReplyKind::None: return "none";
        case ReplyKind::Garbled: return "garbled";
        case ReplyKind::Foreign: return "foreign";
    }
    return "none";
}

const BusModule* RequestHandler::moduleFor(const Request& request) const {
    if (request.layout == FrameLayout::Flash) return &modules_.front();
    for (const BusModule& module : modules_) {
        if (isAddressedTo(request.module, module.address)) return &module;
    }
    return nullptr;
}

Handling RequestHandler::handle(const Request& request, bool lineMatches) {
    Handling handling;
    const BusModule* taker = moduleFor(request);
    BootloaderModel& module = *(taker ? taker : &modules_.front())->model;
    handling.mode = module.mode();
    if (request.code == CmdRemoteWrite) handling.offset = frameImageOffset(request.payload);
    if (!lineMatches) {
        handling.kind = ReplyKind::Garbled;
        return handling;
    }
    if (taker == nullptr) {
        handling.addressed = false;
        return handling;  // another module's business
    }
    handling.busModule = taker->name;
    if (!module.listensTo(request.code)) return handling;

    const FaultDecision fault = faults_.next(request.code);
    if (fault.silent) {
        handling.kind = ReplyKind::Silent;
        return handling;
    }
    handling.delayMs = fault.delayMs;

    CommandOutcome outcome;
    if (fault.errorBit) {
        // Refused before anything is done; commands without a reply just stay undone.
        const CommandInfo* info = findCommand(request.code);
        outcome.replies = info && info->replies;
        outcome.error = true;
        if (!outcome.replies) {
            handling.kind = ReplyKind::Error;
            return handling;
        }
    } else {
        outcome = module.execute(request);
    }
    if (!outcome.replies) return handling;

    if (outcome.crc && !outcome.error && faults_.nextCrcIsWrong()) {
        const uint16_t wrong = static_cast<uint16_t>(*outcome.crc + 1);
        outcome.payload[4] = static_cast<uint8_t>(wrong >> 8);
        outcome.payload[5] = static_cast<uint8_t>(wrong & 0xFF);
        outcome.crc = wrong;
    }
    handling.crc = outcome.crc;
    handling.kind = fault.foreign ? ReplyKind::Foreign : outcome.error ? ReplyKind::Error : ReplyKind::Ok;
    handling.reply = buildReply(request, taker->address, outcome.error, fault.foreign, outcome.payload);
    return handling;
}

std::vector<uint8_t> RequestHandler::buildReply(const Request& request, const ModuleAddress& own, bool error,
                                                bool foreign, const std::vector<uint8_t>& payload) const {
    const uint16_t word = static_cast<uint16_t>(request.code | ReplyBit | (error ? ErrorBit : 0));
    std::vector<uint8_t> frame(FrameBufferBytes);
    const int n = static_cast<int>(payload.size());
    int length;
    if (request.layout == FrameLayout::Flash) {
        const uint32_t address = foreign ? request.address + ForeignAddressStep : request.address;
        length = buildFrame(frame.data(), word, address, payload.data(), n);
    } else {
        length = buildModuleFrame(frame.data(), word, foreign ? foreignAddress(own) : own, payload.data(), n);
    }
    frame.resize(static_cast<size_t>(length));
    return frame;
}

}  // namespace kq::sim
