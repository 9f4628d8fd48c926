#include "cli/run_console.h"

#include <chrono>

namespace kq::cli {

namespace {

constexpr std::string_view ToolPrefix = "flashwright-cli: ";
constexpr std::string_view EraseToLineEnd = "\x1b[K";
constexpr std::string_view EraseToScreenEnd = "\x1b[J";

int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

RunConsole::RunConsole(RunConsoleSetup setup) : setup_(std::move(setup)) {
    if (!setup_.monotonicMs) setup_.monotonicMs = steadyMs;
}

int RunConsole::addRow() {
    std::lock_guard lock(mutex_);
    rows_.emplace_back();
    return static_cast<int>(rows_.size()) - 1;
}

void RunConsole::logLine(std::string_view label, std::string_view line) {
    std::string text;
    if (!label.empty()) {
        text += label;
        text += ": ";
    }
    text += line;
    write(setup_.log, text);
}

void RunConsole::errorLine(std::string_view label, std::string_view text) {
    std::string line(ToolPrefix);
    if (!label.empty()) {
        line += label;
        line += ": ";
    }
    line += text;
    line += '\n';
    write(setup_.err, line);
}

void RunConsole::write(std::FILE* stream, std::string_view text) {
    std::lock_guard lock(mutex_);
    wipeRows();
    put(stream, text);
    drawRows();
}

void RunConsole::setRow(int row, std::string text, bool now) {
    std::lock_guard lock(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size()) || rows_[size_t(row)] == text) return;
    rows_[size_t(row)] = std::move(text);
    if (!setup_.drawRows) return;
    if (!now && rowsOnScreen_ > 0 && setup_.monotonicMs() - lastDrawMs_ < RowRedrawMs) return;
    wipeRows();
    drawRows();
}

void RunConsole::finish() {
    std::lock_guard lock(mutex_);
    wipeRows();
    finished_ = true;
}

void RunConsole::put(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

// One row: "\r" text "\x1b[K". Several: the same, a line feed between them,
// the cursor left at the end of the last.
void RunConsole::drawRows() {
    if (!setup_.drawRows || finished_) return;
    std::vector<const std::string*> shown;
    for (const std::string& row : rows_) {
        if (rows_.size() > 1 || !row.empty()) shown.push_back(&row);
    }
    if (shown.empty()) return;
    std::string text = "\r";
    for (size_t i = 0; i < shown.size(); ++i) {
        if (i > 0) text += '\n';
        text += fitted(*shown[i]);
        text += EraseToLineEnd;
    }
    put(setup_.err, text);
    rowsOnScreen_ = static_cast<int>(shown.size());
    lastDrawMs_ = setup_.monotonicMs();
}

void RunConsole::wipeRows() {
    if (rowsOnScreen_ == 0) return;
    std::string text = "\r";
    if (rowsOnScreen_ > 1) {
        text += "\x1b[" + std::to_string(rowsOnScreen_ - 1) + "A";
        text += EraseToScreenEnd;
    } else {
        text += EraseToLineEnd;
    }
    put(setup_.err, text);
    rowsOnScreen_ = 0;
}

// A row longer than the terminal would wrap and throw the redraw off by a line.
std::string RunConsole::fitted(const std::string& text) const {
    const size_t room = static_cast<size_t>(setup_.columns > 1 ? setup_.columns - 1 : 1);
    size_t characters = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        if (isContinuationByte(text[at])) continue;
        if (characters++ == room) return text.substr(0, at);
    }
    return text;
}

}  // namespace kq::cli
