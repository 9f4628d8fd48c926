#include "sim/request_parser.h"

#include "sim/command_names.h"

namespace kq::sim {

namespace {

constexpr int LengthFieldEnd = 3;       // start byte and 2-byte L come first
constexpr int CommandFieldEnd = 6;      // ... then the second start byte and the command word
constexpr int FlashMinLength = 6;       // L of a flash-layout frame without payload
constexpr int ModuleMinLength = 8;      // L of a module-layout frame without payload
constexpr int FrameOverhead = 7;        // frame bytes beyond L: start, L, start, CRC, end
constexpr int MaxRequestLength = MaxRequestFrameBytes - FrameOverhead;

uint16_t bigEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

}  // namespace

void RequestParser::feed(const uint8_t* bytes, size_t count, double nowMs) {
    if (count == 0) return;
    chunks_.push_back({heldStart_ + held_.size(), nowMs});
    held_.insert(held_.end(), bytes, bytes + count);
}

RequestParser::Candidate RequestParser::examine(const uint8_t* frame, size_t available, Request* request) {
    if (available <= LengthFieldEnd) return Candidate::Incomplete;
    if (frame[3] != FrameStart) return Candidate::Invalid;
    const int length = bigEndian16(frame + 1);
    if (length > MaxRequestLength) return Candidate::Invalid;
    if (available < static_cast<size_t>(CommandFieldEnd)) return Candidate::Incomplete;

    const uint16_t code = bigEndian16(frame + 4);
    FrameLayout layout;
    if (isFlashLayoutCode(code))
        layout = FrameLayout::Flash;
    else if (isModuleLayoutCode(code))
        layout = FrameLayout::Module;
    else
        return Candidate::Invalid;  // replies (bits 15/14) and foreign codes are not requests
    const int minLength = layout == FrameLayout::Flash ? FlashMinLength : ModuleMinLength;
    if (length < minLength) return Candidate::Invalid;

    const size_t total = static_cast<size_t>(length) + FrameOverhead;
    if (available < total) return Candidate::Incomplete;
    const size_t crcAt = static_cast<size_t>(length) + 4;
    if (crc16(frame, crcAt) != bigEndian16(frame + crcAt)) return Candidate::Invalid;
    if (frame[total - 1] != FrameEnd) return Candidate::Invalid;

    request->layout = layout;
    request->code = code;
    request->frameBytes = static_cast<int>(total);
    const uint8_t* payload;
    if (layout == FrameLayout::Flash) {
        request->address = static_cast<uint32_t>(frame[6]) << 24 | frame[7] << 16 | frame[8] << 8 | frame[9];
        payload = frame + FlashHeaderBytes;
    } else {
        for (size_t k = 0; k < request->module.size(); ++k) request->module[k] = frame[6 + k];
        payload = frame + ModuleHeaderBytes;
    }
    request->payload.assign(payload, frame + crcAt);
    return Candidate::Valid;
}

std::optional<Request> RequestParser::next() {
    size_t firstIncomplete = held_.size();
    for (size_t i = 0; i < held_.size(); ++i) {
        if (held_[i] != FrameStart) continue;
        Request request;
        const Candidate candidate = examine(held_.data() + i, held_.size() - i, &request);
        if (candidate == Candidate::Valid) {
            request.firstByteMs = arrivalOf(heldStart_ + i);
            skipped_ += i;
            discard(i + static_cast<size_t>(request.frameBytes));
            return request;
        }
        if (candidate == Candidate::Incomplete && firstIncomplete == held_.size()) firstIncomplete = i;
    }
    // Everything before the first frame that may still complete is garbage for good.
    // What stays is shorter than one frame, since that frame is incomplete.
    skipped_ += firstIncomplete;
    discard(firstIncomplete);
    return std::nullopt;
}

void RequestParser::discard(size_t count) {
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(count));
    heldStart_ += count;
    // Keep the chunk that holds the new first byte; drop those wholly before it.
    while (chunks_.size() > 1 && chunks_[1].start <= heldStart_) chunks_.pop_front();
    if (held_.empty()) chunks_.clear();
}

double RequestParser::arrivalOf(uint64_t streamPosition) const {
    double ms = 0;
    for (const Chunk& chunk : chunks_) {
        if (chunk.start > streamPosition) break;
        ms = chunk.ms;
    }
    return ms;
}

}  // namespace kq::sim
