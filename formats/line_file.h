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

// The first count values of on-disk bytes. A line runs to its LF (or to the
// end of the bytes); the LF and at most two CRs directly before it are its
// line end, so our own files read back unchanged and a file edited by hand
// with CR LF or LF lines keeps every character. A line missing at the end
// gives "".
std::vector<std::string> decodeLineFile(std::string_view bytes, std::size_t count);

// Writes values to path (replacing it whole); false if nothing was written.
bool writeLineFile(const std::string& path, const std::vector<std::string>& values);
// The first count values at path; nullopt when the file cannot be read.
std::optional<std::vector<std::string>> readLineFile(const std::string& path, std::size_t count);

}  // namespace kq
