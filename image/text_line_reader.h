// Reads a text file line by line into one fixed buffer: a line ends at LF,
// CR LF or a lone CR (files written with old Mac line ends would otherwise
// read as one line, of which only the first record counts), and a last line
// without a line end still counts as a line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string_view>

namespace kq {

class TextLineReader {
public:
    static constexpr std::size_t LineCapacity = 1024;  // characters kept per line; the rest is skipped
    static constexpr std::size_t ChunkBytes = 8192;     // bytes taken from the file per read

    explicit TextLineReader(std::FILE* file) : file_(file) {}

    // Reads the next line. False at the end of the file or after a read error
    // (see failed()).
    bool next();
    // The line without its line end; at most LineCapacity characters.
    std::string_view line() const { return {line_.data(), kept_}; }
    bool failed() const { return failed_; }

private:
    // Refills the chunk; false when nothing more can be read.
    bool fill();
    void keep(char ch);

    std::FILE* file_;
    std::array<char, ChunkBytes> chunk_{};
    std::size_t chunkLength_ = 0;
    std::size_t chunkPos_ = 0;
    std::array<char, LineCapacity> line_{};
    std::size_t kept_ = 0;
    bool failed_ = false;
};

}  // namespace kq
