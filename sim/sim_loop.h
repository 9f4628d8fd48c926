// The simulator's main loop: waits (poll) for bytes from the flasher, finds
// the requests in them, and answers each one in turn until a stop signal.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sim/line_pacing.h"
#include "sim/line_settings.h"
#include "sim/port_link.h"
#include "sim/pseudo_terminal.h"
#include "sim/reply_sender.h"
#include "sim/request_handler.h"
#include "sim/request_log.h"
#include "sim/request_parser.h"

namespace kq::sim {

struct SimCounters {
    uint64_t requests = 0;
    uint64_t bytesIn = 0;
    uint64_t bytesOut = 0;
};

struct SimParts {
    PseudoTerminal& line;
    PortLink& link;
    RequestHandler& handler;
    ReplySender& sender;
    RequestLog& log;
};

// A replugged adapter: after afterRequests requests (counted from the start)
// the line goes for forMs, then a new one comes under the same name.
struct Unplug {
    uint64_t afterRequests = 0;
    int forMs = 0;
    bool operator==(const Unplug&) const = default;
};

struct SimLoopSettings {
    ModuleLine line;
    LinePacer pacer;
    std::optional<uint64_t> hangupAfter;  // requests before the line is cut
    std::vector<Unplug> unplugs;          // in the order of afterRequests
};

class SimLoop {
public:
    SimLoop(const SimParts& parts, const SimLoopSettings& settings);

    // Runs until a stop signal.
    void run();
    const SimCounters& counters() const { return counters_; }

private:
    // Reads what is waiting and serves the complete requests; false when nothing was read.
    bool readInput();
    void serve(const Request& request);
    void hangUp();
    // After a request: cuts the line when a hang-up or an unplug is due.
    void cutLineIfDue();
    // The unplugged line comes back: a new pseudo-terminal under the old name.
    void replug();
    // Lets the modules due arrive and the line come back when its time has come.
    void catchUp();
    // Milliseconds until catchUp() has something to do; -1 for nothing.
    int msToNextEvent() const;

    SimParts parts_;
    SimLoopSettings settings_;
    RequestParser parser_;
    SimCounters counters_;
    double startMs_;
    size_t nextUnplug_ = 0;             // index in settings_.unplugs
    std::optional<double> replugAtMs_;  // while unplugged: when the line comes back
};

}  // namespace kq::sim
