// Shared pieces of the fuzz targets: an invariant check that stops the run
// with a message (libFuzzer then saves the input), a reader of the input
// bytes, and a scratch file for code that only reads from paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// Aborts with the failed condition: every target checks invariants, not just
// the absence of a crash.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace kq::fuzz {

// Takes leading parameter bytes off the input; an input that runs out gives zeros.
class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() {
        if (pos_ >= size_) return 0;
        return data_[pos_++];
    }
    uint16_t word() { return static_cast<uint16_t>(byte() << 8 | byte()); }
    uint32_t dword() { return static_cast<uint32_t>(word()) << 16 | word(); }
    // n bytes (fewer when the input runs out).
    std::string_view take(size_t n) {
        const size_t count = n < size_ - pos_ ? n : size_ - pos_;
        std::string_view part(reinterpret_cast<const char*>(data_ + pos_), count);
        pos_ += count;
        return part;
    }
    std::string_view rest() { return take(size_ - pos_); }
    bool empty() const { return pos_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A file in the temporary folder, created once per process and rewritten per
// input; removed when the process ends normally.
class ScratchFile {
public:
    explicit ScratchFile(const char* tag);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Replaces the file's content; aborts if it cannot be written.
    void write(std::string_view bytes) const;
    std::string readBack() const;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// True when text is well-formed UTF-8 (no overlong forms, surrogates or
// values above U+10FFFF).
bool isUtf8(std::string_view text);

}  // namespace kq::fuzz
