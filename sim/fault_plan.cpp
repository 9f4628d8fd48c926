#include "sim/fault_plan.h"

namespace kq::sim {

void FaultPlan::silence(uint16_t code, uint32_t count) { silent_.push_back({code, count}); }
void FaultPlan::refuse(uint16_t code, uint32_t count) { refused_.push_back({code, count}); }
void FaultPlan::answerForeign(uint16_t code, uint32_t count) { foreign_.push_back({code, count}); }
void FaultPlan::delay(uint16_t code, int ms) { delays_[code] = ms; }

bool FaultPlan::covers(const std::vector<Rule>& rules, uint16_t code, uint32_t index) {
    for (const Rule& rule : rules)
        if (rule.code == code && index <= rule.count) return true;
    return false;
}

FaultDecision FaultPlan::next(uint16_t code) {
    uint32_t& seen = seen_[code];
    if (seen < EveryRequest) ++seen;
    FaultDecision decision;
    decision.silent = covers(silent_, code, seen);
    decision.errorBit = !decision.silent && covers(refused_, code, seen);
    decision.foreign = covers(foreign_, code, seen);
    const auto delay = delays_.find(code);
    if (delay != delays_.end()) decision.delayMs = delay->second;
    return decision;
}

bool FaultPlan::nextCrcIsWrong() {
    if (crcReplies_ < EveryRequest) ++crcReplies_;
    return crcReplies_ <= crcCorruptions_;
}

uint32_t FaultPlan::requestsOf(uint16_t code) const {
    const auto it = seen_.find(code);
    return it == seen_.end() ? 0 : it->second;
}

}  // namespace kq::sim
