// The simulated module as a child process for end-to-end tests: kqsim from
// the build's program folder, with what the tests read back from it. Under
// Wine it links itself as a COM port of the prefix instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "e2e/build_folders.h"
#include "e2e/request_records.h"
#include "e2e/wine_com_link.h"
#include "support/kqsim_process.h"

namespace kq::testing {

class SimProcess : public KqsimProcess {
public:
    // folder: where the link (unless defaultLink), the request log and the dump
    // go. defaultLink: let kqsim link itself as ports/COMn beside the binaries.
    // wineLink (left to its default) holds the prefix's COM port chosen under
    // Wine until kqsim has linked it.
    SimProcess(std::string folder, std::vector<std::string> args, bool defaultLink = false,
               const WineComLink& wineLink = WineComLink())
        : KqsimProcess(programPath("kqsim"), std::move(folder), std::move(args),
                       defaultLink && wineLink.path().empty(), wineLink.path()),
          comPort_(wineLink.portName()) {}

    // What the flasher's --port takes: the module's link (or its COMn in
    // ports/), under Wine the COM port of its link.
    std::string flasherPort() const { return comPort_.empty() ? portName() : comPort_; }

    // The requests it logged so far (complete lines only).
    std::vector<RequestRecord> requests() const;
    // The whole flash as written at exit (call stop() first).
    std::vector<uint8_t> flashDump() const;

private:
    std::string comPort_;
};

}  // namespace kq::testing
