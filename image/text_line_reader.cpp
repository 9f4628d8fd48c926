#include "image/text_line_reader.h"

namespace kq {

bool TextLineReader::fill() {
    if (failed_) return false;
    chunkLength_ = std::fread(chunk_.data(), 1, chunk_.size(), file_);
    chunkPos_ = 0;
    if (chunkLength_ == 0 && std::ferror(file_)) failed_ = true;
    return chunkLength_ > 0;
}

void TextLineReader::keep(char ch) {
    if (kept_ < line_.size()) line_[kept_++] = ch;
}

bool TextLineReader::next() {
    kept_ = 0;
    bool any = false;      // a character of this line was read
    bool pendingCr = false;  // a CR was read and may still turn out to be part of CR LF
    for (;;) {
        if (chunkPos_ == chunkLength_ && !fill()) {
            if (failed_) return false;
            if (pendingCr) keep('\r');  // a lone CR at the end of the file stays a character
            return any;
        }
        const char ch = chunk_[chunkPos_++];
        any = true;
        if (ch == '\n') return true;  // a pending CR is dropped with the line end
        if (pendingCr) keep('\r');
        pendingCr = ch == '\r';
        if (!pendingCr) keep(ch);
    }
}

}  // namespace kq
