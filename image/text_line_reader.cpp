#include "image/text_line_reader.h"

namespace kq {

bool TextLineReader::fill() {
    if (failed_ || file_ == nullptr) return false;
    chunkLength_ = std::fread(chunk_.data(), 1, chunk_.size(), file_);
    chunkPos_ = 0;
    if (chunkLength_ == 0 && std::ferror(file_)) failed_ = true;
    return chunkLength_ > 0;
}

TextLineReader::Read TextLineReader::next() {
    kept_ = 0;
    bool any = false;        // a character of this line was read
    bool pendingCr = false;  // a CR was read: the line has ended, unless an LF follows that belongs to it
    for (;;) {
        if (chunkPos_ == chunkLength_ && !fill()) {
            if (failed_) return Read::Failed;
            return any ? Read::Line : Read::End;
        }
        const char ch = chunkData_[chunkPos_++];
        if (pendingCr) {
            if (ch != '\n') --chunkPos_;  // a lone CR: this character starts the next line
            return Read::Line;
        }
        any = true;
        if (ch == '\n') return Read::Line;
        pendingCr = ch == '\r';
        if (pendingCr) continue;
        if (kept_ == line_.size()) return Read::TooLong;
        line_[kept_++] = ch;
    }
}

}  // namespace kq
