#include "production/run_recorder.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "image/hex_load_warnings.h"
#include "platform/local_time.h"
#include "platform/new_file.h"

namespace kq::production {

namespace {
constexpr int MaxNameAttempts = 100;  // "-2" .. "-99" after a record name that is taken
}

std::string localTimeWithMs() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    const auto local = localTime(seconds);
    if (!local) return "";
    char text[80];  // room for any int the fields may hold
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local->tm_year + 1900, local->tm_mon + 1,
                  local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec, static_cast<int>(ms));
    return text;
}

RunRecorder::RunRecorder(RunReport& report, const FirmwareImage& image, std::string logDir,
                         std::function<std::string()> clock)
    : report_(report), image_(image), logDir_(std::move(logDir)), clock_(std::move(clock)) {}

void RunRecorder::fileLoaded(const HexLoadReport& load) { report_.warnings = hexLoadWarnings(load); }

void RunRecorder::stepStarted(RunStep step) {
    if (step != RunStep::Port || headerWritten_) return;
    report_.image = imageFactsOf(image_, report_.settings);
    writeHeader();
}

void RunRecorder::line(std::string_view text) {
    TimedLine timed{clock_(), std::string(text)};
    if (headerWritten_) put(recordLineText(timed));
    report_.log.push_back(std::move(timed));
}

void RunRecorder::finish() {
    if (!headerWritten_) writeHeader();
    put(recordEndingText(report_));
    file_.reset();
}

// The file facts are read now, right after the run's own load, so that they
// describe the file the image came from.
void RunRecorder::writeHeader() {
    headerWritten_ = true;
    report_.hexFile = hexFileFactsOf(report_.settings.hexPath);
    if (logDir_.empty()) return;
    const std::string name = recordFileName(report_);
    const size_t dot = name.rfind('.');
    std::string path = logDir_ + "/" + name;
    for (int attempt = 2; pathTaken(path) && attempt <= MaxNameAttempts; ++attempt) {
        path = logDir_ + "/" + name.substr(0, dot) + "-" + std::to_string(attempt) + name.substr(dot);
    }
    std::string reason;
    file_ = createNewFile(path, reason);
    if (!file_) {
        problem_ = "the record " + path + " could not be written: " + reason;
        return;
    }
    report_.recordPath = path;
    put(recordHeaderText(report_));
    for (const TimedLine& line : report_.log) put(recordLineText(line));
}

void RunRecorder::put(const std::string& text) {
    if (!file_) return;
    if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size() || std::fflush(file_.get()) != 0) {
        problem_ = "the record " + report_.recordPath + " could not be written in full";
        file_.reset();
    }
}

}  // namespace kq::production
