// What a program printed, taken apart for the checks: its lines, and the
// members of a one-line JSON object as written.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace kq::testing {

inline std::vector<std::string> outputLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The value of a member of a one-line JSON object: a string without its
// quotes, anything else as written; "" when it is missing.
inline std::string jsonField(const std::string& line, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    const size_t at = line.find(key);
    if (at == std::string::npos) return "";
    const size_t start = at + key.size();
    if (line[start] == '"') return line.substr(start + 1, line.find('"', start + 1) - start - 1);
    return line.substr(start, line.find_first_of(",}", start) - start);
}

}  // namespace kq::testing
