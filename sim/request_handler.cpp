#include "sim/request_handler.h"

#include <algorithm>

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
        case ReplyKind::Absent: return "absent";
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

Handling RequestHandler::handle(const Request& request, bool lineMatches, double nowMs) {
    arriveDue(nowMs);
    Handling handling;
    const BusModule* taker = moduleFor(request);
    const size_t index = taker ? static_cast<size_t>(taker - modules_.data()) : 0;
    BootloaderModel& module = *modules_[index].model;
    handling.mode = module.mode();
    if (request.code == CmdRemoteWrite) handling.offset = frameImageOffset(request.payload);
    const bool everyoneAway = std::all_of(arrivalMs_.begin(), arrivalMs_.end(),
                                          [](const std::optional<double>& at) { return at.has_value(); });
    if ((taker && arrivalMs_[index]) || everyoneAway) {
        // Nobody there to hear it (a module is named by its old address until its successor comes).
        handling.kind = ReplyKind::Absent;
        if (taker) handling.busModule = taker->name;
        return handling;
    }
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
        // Its upgrade has ended: the user program (or, staying, the bootloader) would start now.
        const bool ended = request.code == CmdJumpToProgram || request.code == CmdRemoteReset;
        if (ended && replacement_) {
            handling.left = moduleAddressText(taker->address);
            leave(index, nowMs + replacement_->afterMs);
        }
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

void RequestHandler::replaceModules(Replacement replacement) { replacement_ = std::move(replacement); }

void RequestHandler::leave(size_t index, double arrivalMs) {
    const BusModule& module = modules_[index];
    if (replacement_->keepFlash) replacement_->keepFlash(moduleAddressText(module.address), module.model->flash().bytes());
    arrivalMs_[index] = arrivalMs;
}

bool RequestHandler::addressInUse(const ModuleAddress& address) const {
    for (const BusModule& module : modules_) {
        if (module.address == address) return true;
    }
    return false;
}

std::vector<std::string> RequestHandler::arriveDue(double nowMs) {
    std::vector<std::string> arrived;
    if (!replacement_) return arrived;
    for (size_t index = 0; index < modules_.size(); ++index) {
        if (!arrivalMs_[index] || *arrivalMs_[index] > nowMs) continue;
        BusModule& module = modules_[index];
        ModuleAddress next = nextModuleAddress(module.address);
        // A bus of n modules has at most n - 1 others to step past.
        for (size_t step = 0; step < modules_.size() && addressInUse(next); ++step) next = nextModuleAddress(next);
        module.address = next;
        if (!module.name.empty()) module.name = moduleAddressText(next);
        module.model->renew(replacement_->startFlash);
        arrivalMs_[index].reset();
        arrived.push_back(moduleAddressText(next));
    }
    return arrived;
}

std::optional<double> RequestHandler::nextArrivalMs() const {
    std::optional<double> next;
    for (const std::optional<double>& at : arrivalMs_) {
        if (at && (!next || *at < *next)) next = at;
    }
    return next;
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
