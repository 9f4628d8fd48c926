// The simulated module as a child process for end-to-end tests: kqsim from
// the build's program folder, with what the tests read back from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "e2e/build_folders.h"
#include "e2e/request_records.h"
#include "sim/kqsim_process.h"

namespace kq::testing {

class SimProcess : public KqsimProcess {
public:
    // folder: where the link (unless defaultLink), the request log and the dump
    // go. defaultLink: let kqsim link itself as ports/COMn beside the binaries.
    SimProcess(std::string folder, std::vector<std::string> args, bool defaultLink = false)
        : KqsimProcess(programPath("kqsim"), std::move(folder), std::move(args), defaultLink) {}

    // The requests it logged so far (complete lines only).
    std::vector<RequestRecord> requests() const;
    // The whole flash as written at exit (call stop() first).
    std::vector<uint8_t> flashDump() const;
};

}  // namespace kq::testing
