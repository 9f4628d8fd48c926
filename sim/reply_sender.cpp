#include "sim/reply_sender.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "sim/stop_signal.h"

namespace kq::sim {

namespace {

constexpr int64_t NsPerMs = 1'000'000;

// Writes all n bytes unless the line stays full for WriteStallMs (a real line
// would lose them too) or a stop is requested; returns the bytes written.
size_t writeAll(int fd, const uint8_t* bytes, size_t n) {
    size_t done = 0;
    while (done < n) {
        const ssize_t wrote = write(fd, bytes + done, n - done);
        if (wrote > 0) {
            done += static_cast<size_t>(wrote);
            continue;
        }
        if (wrote < 0 && errno == EINTR) {
            if (stopRequested()) break;
            continue;
        }
        if (wrote < 0 && errno != EAGAIN) break;
        pollfd room{fd, POLLOUT, 0};
        const int ready = poll(&room, 1, WriteStallMs);
        if (ready > 0 || (ready < 0 && errno == EINTR && !stopRequested())) continue;
        break;
    }
    return done;
}

}  // namespace

std::vector<size_t> pieceSizes(size_t count, int pieces) {
    const size_t n = std::min(count, static_cast<size_t>(std::max(pieces, 1)));
    std::vector<size_t> sizes;
    for (size_t k = 0; k < n; ++k) sizes.push_back(count / n + (k < count % n ? 1 : 0));
    return sizes;
}

std::vector<TimedWrite> replySchedule(size_t count, const LinePacer& pacer, const ReplyShaping& shaping) {
    std::vector<TimedWrite> pieces;
    // When each byte has arrived at the far end of the wire (at the adapter).
    std::vector<int64_t> arrivalNs;
    const bool throughAdapter = shaping.adapterLatencyMs > 0;
    if (throughAdapter) arrivalNs.reserve(count);
    int64_t earliest = 0;
    size_t offset = 0;
    for (const size_t size : pieceSizes(count, shaping.pieces)) {
        const int64_t release =
            pacer.pacesReplies() ? std::max(earliest, pacer.wireNs(offset + size)) : earliest;
        pieces.push_back({release, offset, size});
        for (size_t k = offset; throughAdapter && k < offset + size; ++k) {
            arrivalNs.push_back(pacer.pacesReplies() ? std::max(earliest, pacer.wireNs(k + 1)) : earliest);
        }
        offset += size;
        earliest = release + SplitGapMs * NsPerMs;
    }
    if (!throughAdapter) return pieces;

    const int64_t latencyNs = shaping.adapterLatencyMs * NsPerMs;
    std::vector<TimedWrite> packets;
    for (size_t first = 0; first < count;) {
        const int64_t timerEnds = arrivalNs[first] + latencyNs;
        size_t end = first;
        while (end < count && end - first < AdapterPacketBytes && arrivalNs[end] <= timerEnds) ++end;
        const bool full = end - first == AdapterPacketBytes;
        packets.push_back({full ? arrivalNs[end - 1] : timerEnds, first, end - first});
        first = end;
    }
    return packets;
}

size_t ReplySender::send(int fd, const std::vector<uint8_t>& reply) {
    std::vector<uint8_t> bytes = noise_.make(shaping_.noiseBytes);
    bytes.insert(bytes.end(), reply.begin(), reply.end());

    const int64_t start = monotonicNs();
    size_t written = 0;
    for (const TimedWrite& write : replySchedule(bytes.size(), pacer_, shaping_)) {
        if (!sleepUntilNs(start + write.atNs)) break;
        const size_t wrote = writeAll(fd, bytes.data() + write.offset, write.size);
        written += wrote;
        if (wrote < write.size) break;
    }
    return written;
}

}  // namespace kq::sim
