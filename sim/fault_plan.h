// Faults the simulated module injects on purpose, counted per command: stay
// silent, answer with the error bit, answer from another address, take longer,
// or report a wrong flash CRC.
#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <vector>

namespace kq::sim {

inline constexpr uint32_t EveryRequest = std::numeric_limits<uint32_t>::max();  // a count meaning "all"

struct FaultDecision {
    bool silent = false;    // ignore the request: not carried out, not answered
    bool errorBit = false;  // answer with the error bit without carrying it out
    bool foreign = false;   // answer from another address
    int delayMs = 0;        // processing time before the answer
};

class FaultPlan {
public:
    // Each rule covers the first count requests of the command (EveryRequest: all).
    // Requests are counted per command code, so rules on one command share the count:
    // --silent X:2 --error-bit X:3 silences requests 1 and 2 and refuses the 3rd.
    void silence(uint16_t code, uint32_t count);
    void refuse(uint16_t code, uint32_t count);
    void answerForeign(uint16_t code, uint32_t count);
    void delay(uint16_t code, int ms);
    // The first count CRC replies carry the real CRC + 1.
    void corruptCrc(uint32_t count) { crcCorruptions_ = count; }

    // Counts one request of the command and tells what to do with it.
    FaultDecision next(uint16_t code);
    // Counts one CRC reply; true when this one is to be corrupted.
    bool nextCrcIsWrong();

    uint32_t requestsOf(uint16_t code) const;

private:
    struct Rule {
        uint16_t code;
        uint32_t count;
    };
    static bool covers(const std::vector<Rule>& rules, uint16_t code, uint32_t index);

    std::vector<Rule> silent_, refused_, foreign_;
    std::map<uint16_t, int> delays_;
    std::map<uint16_t, uint32_t> seen_;
    uint32_t crcCorruptions_ = 0;
    uint32_t crcReplies_ = 0;
};

}  // namespace kq::sim
