// Reads a text file, or a text already in memory, line by line into one
// fixed buffer: a line ends at LF, CR LF or a lone CR (files written with old
// Mac line ends would otherwise read as one line, of which only the first
// record counts), and a last line without a line end still counts as a line.
// A line longer than the buffer ends the reading as soon as its first
// character past the buffer is read. The HEX loader and the merge engine read
// their files through it, so both see the same lines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string_view>

namespace kq {

class TextLineReader {
public:
    // Characters a line may hold, line end excluded: about twice the longest
    // record (521 characters), so that trailing blanks still fit.
    static constexpr std::size_t LineCapacity = 1024;
    static constexpr std::size_t ChunkBytes = 8192;  // bytes taken from the file per read

    enum class Read {
        Line,     // line() holds the next line
        End,      // the end of the file
        TooLong,  // the next line is longer than LineCapacity; reading has ended
        Failed,   // the file could not be read; reading has ended
    };

    explicit TextLineReader(std::FILE* file) : file_(file), chunkData_(chunk_.data()) {}
    // The lines of text, which must outlive the reader.
    explicit TextLineReader(std::string_view text)
        : file_(nullptr), chunkData_(text.data()), chunkLength_(text.size()) {}
    TextLineReader(const TextLineReader&) = delete;  // chunkData_ may point into the reader
    TextLineReader& operator=(const TextLineReader&) = delete;

    Read next();
    // The line without its line end.
    std::string_view line() const { return {line_.data(), kept_}; }

private:
    // Refills the chunk from the file; false when nothing more can be read.
    bool fill();

    std::FILE* file_;  // null when reading a text in memory
    std::array<char, ChunkBytes> chunk_{};
    const char* chunkData_;  // chunk_, or the text in memory (one chunk)
    std::size_t chunkLength_ = 0;
    std::size_t chunkPos_ = 0;
    std::array<char, LineCapacity> line_{};
    std::size_t kept_ = 0;
    bool failed_ = false;
};

}  // namespace kq
