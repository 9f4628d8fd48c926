// Turns the run's log appends into whole output lines: "\r\n" ends a line,
// and red text is marked either with terminal colours or, for scripts and
// files, with "! " at the start of every line that holds any.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kq::production {

enum class RedMarking {
    Colours,  // ANSI colours (a terminal)
    Prefix,   // "! " before every line that holds red text
};

class LogWriter {
public:
    // Receives one finished line at a time, ending in "\n".
    using LineSink = std::function<void(std::string_view line)>;

    LogWriter(RedMarking marking, LineSink sink);

    // text in a LogColour (only its low 8 bits count; LogBlack for plain text).
    void append(std::string_view text, int colour);
    // Hands over a line still open (text without a line end), ended by "\n".
    void finish();

private:
    struct Piece {
        int colour;
        std::string text;
    };

    void addPiece(std::string_view text, int colour);
    void emitLine();

    RedMarking marking_;
    LineSink sink_;
    std::vector<Piece> line_;  // the line being assembled
};

}  // namespace kq::production
