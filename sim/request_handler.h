// Turns one request into the module's reaction: checks that the line settings
// and the module address fit, applies the fault plan, lets the module carry
// the command out and builds the reply frame.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
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
    Absent,   // the module it went to has left the fixture and its successor has not arrived yet
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
    std::string busModule;            // on a bus: the name of the module that took it
    std::string left;                 // with replacement: the address of the module this request made leave
};

// --replace-after: a module whose upgrade has ended (it carried out a jump or
// the remote reset) leaves the fixture at once, and afterMs later a fresh
// module arrives in its place (BootloaderModel::renew), its address counted
// up by one, past every address another module of the line has.
struct Replacement {
    int afterMs = 0;
    std::vector<uint8_t> startFlash;  // the flash a fresh module brings (from the bottom; the rest erased)
    // Called with the leaving module's address and flash, before it is gone.
    std::function<void(const std::string& address, const std::vector<uint8_t>& flash)> keepFlash;
};

// One module on the line: its behaviour and its address.
struct BusModule {
    BootloaderModel* model = nullptr;
    ModuleAddress address{};
    std::string name;  // its address as given ("000000000002"); "" for a lone module
};

// The modules on one line (a bus). A module-layout request is taken by the
// first module it names; so a wildcard address, which names them all, is
// answered by the first module of the bus only, as is every flash-layout
// request (that layout names no module). The fault plan counts the line's
// requests, whichever module takes them.
class RequestHandler {
public:
    RequestHandler(BootloaderModel& module, FaultPlan& faults, const ModuleAddress& own)
        : RequestHandler(std::vector<BusModule>{{&module, own, ""}}, faults) {}
    // modules: at least one, the first answering wildcards.
    RequestHandler(std::vector<BusModule> modules, FaultPlan& faults)
        : modules_(std::move(modules)), faults_(faults), arrivalMs_(modules_.size()) {}

    // lineMatches: the flasher's baud rate and parity are the module's.
    // nowMs: when it is handled (monotonic), for the replacement of modules.
    Handling handle(const Request& request, bool lineMatches, double nowMs = 0);

    // Turns replacement on for every module of the line.
    void replaceModules(Replacement replacement);
    // Lets every successor due by nowMs arrive; the addresses of those that did.
    std::vector<std::string> arriveDue(double nowMs);
    // When the next successor is due; nothing when no module is away.
    std::optional<double> nextArrivalMs() const;
    // The modules in their order, with the names and addresses they have now.
    const std::vector<BusModule>& modules() const { return modules_; }

private:
    // The module that takes the request; nullptr when it names none of them.
    const BusModule* moduleFor(const Request& request) const;
    std::vector<uint8_t> buildReply(const Request& request, const ModuleAddress& own, bool error, bool foreign,
                                    const std::vector<uint8_t>& payload) const;

    // The module at index leaves now; its successor arrives at arrivalMs.
    void leave(size_t index, double arrivalMs);
    bool addressInUse(const ModuleAddress& address) const;

    std::vector<BusModule> modules_;
    FaultPlan& faults_;
    std::optional<Replacement> replacement_;
    std::vector<std::optional<double>> arrivalMs_;  // per module: when its successor arrives; nothing when present
};

}  // namespace kq::sim
