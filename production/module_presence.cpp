#include "production/module_presence.h"

namespace kq::production {

bool ModulePresence::handshake(bool answered, int64_t nowMs) {
    if (state_ == Presence::WaitingForModule) return answered;
    if (answered) {
        lastAnswerMs_ = nowMs;
    } else if (nowMs - lastAnswerMs_ >= RemovalSilenceMs) {
        state_ = Presence::WaitingForModule;
    }
    return false;
}

void ModulePresence::cycleEnded(int64_t nowMs) {
    state_ = Presence::ModuleFlashed;
    lastAnswerMs_ = nowMs;
}

void ModulePresence::adapterGone() { state_ = Presence::WaitingForModule; }

}  // namespace kq::production
