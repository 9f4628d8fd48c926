#include "e2e/sim_process.h"

#include <fstream>
#include <iterator>

namespace kq::testing {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::vector<RequestRecord> SimProcess::requests() const { return parseRequestLog(readFile(logPath())); }

std::vector<uint8_t> SimProcess::flashDump() const {
    const std::string bytes = readFile(dumpPath());
    return {bytes.begin(), bytes.end()};
}

}  // namespace kq::testing
