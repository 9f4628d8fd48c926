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

size_t ReplySender::send(int fd, const std::vector<uint8_t>& reply) {
    std::vector<uint8_t> bytes = noise_.make(shaping_.noiseBytes);
    size_t written = 0;
    bytes.insert(bytes.end(), reply.begin(), reply.end());

    const int64_t start = monotonicNs();
    int64_t previous = start;
    size_t offset = 0;
    bool first = true;
    for (const size_t size : pieceSizes(bytes.size(), shaping_.pieces)) {
        // A piece leaves once its last byte has crossed the wire, and split pieces keep a gap.
        int64_t release = first ? start : previous + SplitGapMs * NsPerMs;
        if (pacer_.pacesReplies()) release = std::max(release, start + pacer_.wireNs(offset + size));
        if (!sleepUntilNs(release)) break;
        const size_t wrote = writeAll(fd, bytes.data() + offset, size);
        written += wrote;
        if (wrote < size) break;
        offset += size;
        previous = monotonicNs();
        first = false;
    }
    return written;
}

}  // namespace kq::sim
