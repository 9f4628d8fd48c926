// The arrival and removal rule of the local type, against a clock the test sets.
#include <gtest/gtest.h>

#include <vector>

#include "production/module_presence.h"

namespace kq::production {
namespace {

// One event at a time: a handshake answered or not at a time, or a cycle's
// end, or the adapter gone; what the rule says after it.
enum class Event { Answered, Silent, CycleEnded, AdapterGone };
struct Step {
    Event event;
    int64_t atMs;
    bool arrives;     // the handshake starts a cycle
    Presence after;
};

using W = Presence;

TEST(ModulePresence, ANewModuleIsOneThatAnswersAfterASecondOfSilence) {
    constexpr W Waiting = W::WaitingForModule;
    constexpr W Flashed = W::ModuleFlashed;
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        {"a module present at the start is flashed", {{Event::Answered, 0, true, Waiting}}},
        {"silence alone arrives at nothing",
         {{Event::Silent, 0, false, Waiting}, {Event::Silent, 5000, false, Waiting}}},
        {"a module that stays in its bootloader is never flashed again",
         {{Event::Answered, 0, true, Waiting},
          {Event::CycleEnded, 9000, false, Flashed},
          {Event::Answered, 9200, false, Flashed},
          {Event::Answered, 60000, false, Flashed}}},
        {"one second of silence without a break: the next answer is a new module",
         {{Event::CycleEnded, 0, false, Flashed},
          {Event::Silent, 500, false, Flashed},
          {Event::Silent, 999, false, Flashed},
          {Event::Silent, 1000, false, Waiting},
          {Event::Answered, 1400, true, Waiting}}},
        {"an answer inside the second starts the silence again",
         {{Event::CycleEnded, 0, false, Flashed},
          {Event::Silent, 800, false, Flashed},
          {Event::Answered, 900, false, Flashed},
          {Event::Silent, 1500, false, Flashed},
          {Event::Silent, 1900, false, Waiting}}},
        {"the adapter gone takes the module with it",
         {{Event::CycleEnded, 0, false, Flashed},
          {Event::AdapterGone, 100, false, Waiting},
          {Event::Answered, 300, true, Waiting}}},
    };
    for (const Case& c : cases) {
        ModulePresence presence;
        for (const Step& step : c.steps) {
            bool arrived = false;
            switch (step.event) {
                case Event::Answered: arrived = presence.handshake(true, step.atMs); break;
                case Event::Silent: arrived = presence.handshake(false, step.atMs); break;
                case Event::CycleEnded: presence.cycleEnded(step.atMs); break;
                case Event::AdapterGone: presence.adapterGone(); break;
            }
            EXPECT_EQ(arrived, step.arrives) << c.name << " at " << step.atMs;
            EXPECT_EQ(presence.state(), step.after) << c.name << " at " << step.atMs;
        }
    }
}

}  // namespace
}  // namespace kq::production
