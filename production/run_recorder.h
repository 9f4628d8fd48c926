// Keeps the record of one run as it goes: every log line with its time, the
// facts of the HEX file and of the image once the run has loaded it, and,
// with a record folder, the record file written line by line (so that even a
// run cut short leaves its record so far).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "image/firmware_image.h"
#include "image/hex_image.h"
#include "platform/regular_file.h"
#include "production/run_record.h"
#include "upgrade/run_step.h"

namespace kq::production {

// The local time now as "YYYY-MM-DD hh:mm:ss.mmm".
std::string localTimeWithMs();

class RunRecorder {
public:
    // report holds what is known before the run; image is the run's own,
    // read once the run has loaded it. logDir "" keeps no file.
    RunRecorder(RunReport& report, const FirmwareImage& image, std::string logDir,
                std::function<std::string()> clock = localTimeWithMs);
    RunRecorder(const RunRecorder&) = delete;
    RunRecorder& operator=(const RunRecorder&) = delete;

    // The run loaded its file: the warnings it may hide go into the record.
    void fileLoaded(const HexLoadReport& load);
    // The run announces a step. The port step comes right after a good load:
    // the image's facts are taken and the record's header written.
    void stepStarted(RunStep step);
    // One finished log line, without its line end.
    void line(std::string_view text);
    // The ending is in the report now: the header if still due, the ending,
    // and the file closed.
    void finish();

    // Why the record file could not be written; "" when all went well.
    const std::string& problem() const { return problem_; }

private:
    void writeHeader();
    void put(const std::string& text);

    RunReport& report_;
    const FirmwareImage& image_;
    std::string logDir_;
    std::function<std::string()> clock_;
    bool headerWritten_ = false;
    FileHandle file_;
    std::string problem_;
};

}  // namespace kq::production
