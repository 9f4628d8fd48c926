#include "production/log_writer.h"

#include "upgrade/upgrade_host.h"

namespace kq::production {

namespace {

constexpr std::string_view RedLinePrefix = "! ";
constexpr std::string_view ColourReset = "\x1b[0m";

// ANSI colour of a log colour; "" for black, which stays the terminal's own.
std::string_view ansiColour(int colour) {
    switch (colour) {
        case LogBlue: return "\x1b[34m";
        case LogRed: return "\x1b[31m";
        case LogGreen: return "\x1b[32m";
        case LogYellow: return "\x1b[33m";
        default: return "";
    }
}

int normalisedColour(int colour) {
    const int code = colour & 0xFF;
    return code <= LogYellow ? code : LogBlack;
}

}  // namespace

LogWriter::LogWriter(RedMarking marking, LineSink sink) : marking_(marking), sink_(std::move(sink)) {}

void LogWriter::append(std::string_view text, int colour) {
    const int code = normalisedColour(colour);
    for (;;) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) break;
        addPiece(text.substr(0, end), code);
        emitLine();
        text.remove_prefix(end + 1);
    }
    addPiece(text, code);
}

void LogWriter::finish() {
    if (!line_.empty()) emitLine();
}

void LogWriter::addPiece(std::string_view text, int colour) {
    if (text.empty()) return;
    if (!line_.empty() && line_.back().colour == colour) {
        line_.back().text += text;
    } else {
        line_.push_back({colour, std::string(text)});
    }
}

void LogWriter::emitLine() {
    // The "\r" of a "\r\n" line end (possibly appended on its own) goes.
    if (!line_.empty() && line_.back().text.ends_with('\r')) {
        line_.back().text.pop_back();
        if (line_.back().text.empty()) line_.pop_back();
    }
    std::string out;
    bool holdsRed = false;
    for (const Piece& piece : line_) holdsRed = holdsRed || piece.colour == LogRed;
    if (marking_ == RedMarking::Prefix && holdsRed) out += RedLinePrefix;
    for (const Piece& piece : line_) {
        const std::string_view colour = marking_ == RedMarking::Colours ? ansiColour(piece.colour) : "";
        out += colour;
        out += piece.text;
        if (!colour.empty()) out += ColourReset;
    }
    out += '\n';
    line_.clear();
    sink_(out);
}

}  // namespace kq::production
