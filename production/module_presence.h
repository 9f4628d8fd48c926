// When a module in a fixture counts as new: the local type's arrival and
// removal rule. A station handshakes with the port over and over; a module
// that answers while the port waits for one has arrived and is flashed. After
// its cycle the module counts as still there (the operator is to remove it)
// until its handshake has gone unanswered for at least RemovalSilenceMs
// without a break, or the adapter went away; only then does the next answer
// count as a new module. So a module that stays in its bootloader after its
// cycle is never flashed twice. Plain logic: the caller passes the time.
#pragma once

#include <cstdint>

namespace kq::production {

inline constexpr int64_t RemovalSilenceMs = 1000;  // unanswered this long without a break: the module is gone, ms

enum class Presence {
    WaitingForModule,  // the next answer is a new module
    ModuleFlashed,     // the flashed module still counts as there: "remove the module"
};

class ModulePresence {
public:
    // A port starts waiting: a module already in the fixture is flashed.
    Presence state() const { return state_; }

    // One handshake's result at nowMs. True when a module has arrived: its
    // cycle is to start now (call cycleEnded when it ends).
    bool handshake(bool answered, int64_t nowMs);
    // The cycle of the arrived module ended at nowMs; the module counts as
    // there from then on.
    void cycleEnded(int64_t nowMs);
    // The adapter went away: whatever was in the fixture is gone with it.
    void adapterGone();

private:
    Presence state_ = Presence::WaitingForModule;
    int64_t lastAnswerMs_ = 0;  // the last answer (or the cycle's end) while ModuleFlashed
};

}  // namespace kq::production
