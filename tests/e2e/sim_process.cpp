#include "e2e/sim_process.h"

#include "support/whole_file_text.h"

namespace kq::testing {

std::vector<RequestRecord> SimProcess::requests() const { return parseRequestLog(test::wholeFileText(logPath())); }

std::vector<uint8_t> SimProcess::flashDump() const {
    const std::string bytes = test::wholeFileText(dumpPath());
    return {bytes.begin(), bytes.end()};
}

}  // namespace kq::testing
