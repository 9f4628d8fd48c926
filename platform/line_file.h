// Small remembered-value files: one value per line, GB18030 on disk, every
// line ending in CR CR LF (the bytes a text-mode stream writes for a line
// ended by CR LF).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq {

// On-disk bytes of values (UTF-8); nullopt when a value holds a line feed,
// which would split it, or is not valid UTF-8.
std::optional<std::string> encodeLineFile(const std::vector<std::string>& values);

// How a reader finds the end of a value on its line.
enum class LineEndRule {
    // The LF and one CR directly before it end the line, then one more final
    // character (on our own files the extra CR) is dropped, an empty line
    // staying empty. A hand-edited CR LF file loses each value's last character.
    DropOneMore,
    // The LF and at most two CRs directly before it (or before the end of the
    // bytes) end the line: our own files read the same, and a CR LF or LF file
    // keeps every character.
    CrsBeforeLf,
};

// The first count values of on-disk bytes. A line runs to its LF (or to the
// end of the bytes); a line missing at the end gives "".
std::vector<std::string> decodeLineFile(std::string_view bytes, std::size_t count,
                                        LineEndRule rule = LineEndRule::DropOneMore);

// Writes values to path (replacing it whole); false if nothing was written.
bool writeLineFile(const std::string& path, const std::vector<std::string>& values);
// The first count values at path; nullopt when the file cannot be read.
std::optional<std::vector<std::string>> readLineFile(const std::string& path, std::size_t count,
                                                     LineEndRule rule = LineEndRule::DropOneMore);

}  // namespace kq
