// The simulator's request log read back: one flat JSON object per line with
// string and number values, turned into simple records.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kq::testing {

struct RequestRecord {
    std::string name;     // command name, e.g. "write-sector"
    std::string layout;   // "flash" or "module"
    uint32_t address = 0; // flash layout: the address field
    std::string module;   // module layout: the six address bytes as hex pairs, byte 0 first
    int payload = 0;      // request payload bytes
    std::string reply;    // ok, error, silent, none, garbled, foreign, absent
    std::optional<uint32_t> offset;  // remote-write: image offset of the frame
    std::string mode;     // program running when it came: boot or app
    double timeMs = 0;    // when it counted as arrived, since the simulator started
    int requestBytes = 0; // whole request frame
    int replyBytes = 0;   // reply frame bytes sent (0: not answered)
    std::string crc;      // read-crc: the CRC answered ("0x1234"), else ""
    std::string busModule;  // on a bus: the module that took it, else ""
};

// Every complete line of the log text; a malformed line is skipped.
std::vector<RequestRecord> parseRequestLog(const std::string& text);

// Names of the records in order.
std::vector<std::string> requestNames(const std::vector<RequestRecord>& records);
// How many records carry this name.
int countNamed(const std::vector<RequestRecord>& records, const std::string& name);

}  // namespace kq::testing
