// The request log: one JSON object per request and line, flushed as it
// happens, for tests and benchmarks to read while the simulator runs.
#pragma once

#include <cstdint>
#include <string>

#include "platform/unique_file.h"
#include "sim/request_handler.h"
#include "sim/request_parser.h"

namespace kq::sim {

struct LogRecord {
    uint64_t number = 0;     // 1 for the first request
    double timeMs = 0;       // when the request counted as arrived, since the simulator started
    const Request* request = nullptr;
    const Handling* handling = nullptr;
    size_t replyBytes = 0;   // reply frame bytes that went out
    size_t noiseBytes = 0;   // noise bytes sent in front of the reply
};

// The JSON line of one request, without the line end.
std::string formatLogLine(const LogRecord& record);

class RequestLog {
public:
    bool open(const std::string& path, std::string& error);
    void write(const LogRecord& record);

private:
    UniqueFile file_;
};

}  // namespace kq::sim
