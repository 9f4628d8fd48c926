// The terminal that one or more runs share: whole log lines on the log
// stream, error lines on standard error, and at the bottom of standard error
// (when it is a terminal) one live status row per run, redrawn in place.
// Every call may come from any run's thread; each output is written whole.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kq::cli {

struct RunConsoleSetup {
    std::FILE* log = stdout;   // the log lines (standard error with --json)
    std::FILE* err = stderr;   // error lines and the rows
    bool drawRows = false;     // err is a terminal that takes escape sequences
    int columns = 80;          // a row is cut to fit
    std::function<int64_t()> monotonicMs;  // for the redraw pace; the steady clock when empty
};

class RunConsole {
public:
    explicit RunConsole(RunConsoleSetup setup);

    // A new row (empty, not shown until it has text); call before the runs start.
    int addRow();

    // One log line ("\n" at its end); label, when not empty, goes first: "COM3: ".
    void logLine(std::string_view label, std::string_view line);
    // "flashwright-cli: [label: ]text" on the error stream.
    void errorLine(std::string_view label, std::string_view text);
    // Any other whole text on a stream (a JSON line, the summary).
    void write(std::FILE* stream, std::string_view text);

    // A row's new text ("" hides a row while it is the only one). Drawn at
    // once when now, else at most every RowRedrawMs with the others.
    static constexpr int RowRedrawMs = 100;
    void setRow(int row, std::string text, bool now = false);

    // Wipes the rows off the screen for good: what is written afterwards (the
    // summary) stands alone.
    void finish();

private:
    void put(std::FILE* stream, std::string_view text);  // written and flushed
    void drawRows();
    void wipeRows();
    std::string fitted(const std::string& text) const;

    RunConsoleSetup setup_;
    std::mutex mutex_;
    std::vector<std::string> rows_;
    int rowsOnScreen_ = 0;
    bool finished_ = false;
    int64_t lastDrawMs_ = 0;
};

}  // namespace kq::cli
