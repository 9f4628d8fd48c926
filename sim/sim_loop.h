// The simulator's main loop: waits (poll) for bytes from the flasher, finds
// the requests in them, and answers each one in turn until a stop signal.
#pragma once

#include <cstdint>
#include <optional>

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

struct SimLoopSettings {
    ModuleLine line;
    LinePacer pacer;
    std::optional<uint64_t> hangupAfter;  // requests before the line is cut
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

    SimParts parts_;
    SimLoopSettings settings_;
    RequestParser parser_;
    SimCounters counters_;
    double startMs_;
};

}  // namespace kq::sim
