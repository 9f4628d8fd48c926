#include "sim/sim_loop.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string>

#include "sim/stop_signal.h"

namespace kq::sim {

namespace {

constexpr size_t ReadChunkBytes = 4096;   // bytes taken from the line per read
constexpr int LineErrorPauseMs = 10;      // pause after a failed read, so a broken line cannot spin us, ms
constexpr int64_t NsPerMs = 1'000'000;
constexpr int HangupGraceMs = 1000;       // how long the last reply may wait to be read before the line goes, ms
constexpr int HangupLandMs = 50;          // how long a written reply may take to show on the slave side, ms
constexpr int HangupCheckMs = 2;          // interval of the checks meanwhile, ms

}  // namespace

SimLoop::SimLoop(const SimParts& parts, const SimLoopSettings& settings)
    : parts_(parts), settings_(settings), startMs_(monotonicMs()) {}

void SimLoop::run() {
    cutLineIfDue();  // unplugged before the first request
    while (!stopRequested()) {
        pollfd fds[2] = {{stopSignalFd(), POLLIN, 0}, {parts_.line.master(), POLLIN, 0}};
        const nfds_t count = parts_.line.isOpen() ? 2 : 1;
        const int ready = poll(fds, count, msToNextEvent());
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;
        }
        catchUp();
        if (count == 2 && fds[1].revents != 0) readInput();
    }
    // Requests that came before the stop are still carried out (not answered),
    // so that the dump written at exit shows what the flasher sent last.
    while (parts_.line.isOpen() && readInput()) {
    }
}

bool SimLoop::readInput() {
    uint8_t buffer[ReadChunkBytes];
    const ssize_t got = read(parts_.line.master(), buffer, sizeof buffer);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return false;
    if (got <= 0) {
        if (!stopRequested()) sleepUntilNs(monotonicNs() + LineErrorPauseMs * NsPerMs);
        return false;
    }
    counters_.bytesIn += static_cast<uint64_t>(got);
    parser_.feed(buffer, static_cast<size_t>(got), monotonicMs());
    while (parts_.line.isOpen()) {
        const std::optional<Request> request = parser_.next();
        if (!request) break;
        serve(*request);
    }
    return true;
}

void SimLoop::serve(const Request& request) {
    const LinePacer& pacer = settings_.pacer;
    if (pacer.pacesRequests()) {
        // A stop cuts the wait short; the request has come all the same.
        const int64_t firstByteNs = static_cast<int64_t>(request.firstByteMs * NsPerMs);
        sleepUntilNs(firstByteNs + pacer.wireNs(static_cast<size_t>(request.frameBytes)));
    }
    const double arrivedMs = monotonicMs();
    catchUp();
    const Handling handling = parts_.handler.handle(request, parts_.line.lineMatches(settings_.line), arrivedMs);
    ++counters_.requests;
    if (!handling.left.empty()) {
        std::fprintf(stderr, "kqsim: module %s has left the fixture\n", handling.left.c_str());
    }

    // Logged before the reply goes out, so that whoever reads the log after
    // receiving the reply finds its line there.
    const bool replies = !handling.reply.empty();
    LogRecord record;
    record.number = counters_.requests;
    record.timeMs = arrivedMs - startMs_;
    record.request = &request;
    record.handling = &handling;
    record.replyBytes = handling.reply.size();
    record.noiseBytes = replies ? parts_.sender.noiseBytes() : 0;
    parts_.log.write(record);

    if (stopRequested()) return;  // shutting down: carried out, not answered
    if (handling.delayMs > 0 && !sleepUntilNs(monotonicNs() + handling.delayMs * NsPerMs)) return;
    if (replies) counters_.bytesOut += parts_.sender.send(parts_.line.master(), handling.reply);
    cutLineIfDue();
}

void SimLoop::cutLineIfDue() {
    if (!parts_.line.isOpen()) return;
    if (settings_.hangupAfter && counters_.requests >= *settings_.hangupAfter) {
        hangUp();
        return;
    }
    if (nextUnplug_ >= settings_.unplugs.size()) return;
    const Unplug& unplug = settings_.unplugs[nextUnplug_];
    if (counters_.requests < unplug.afterRequests) return;
    ++nextUnplug_;
    hangUp();
    std::fprintf(stderr, "kqsim: unplugged for %d ms\n", unplug.forMs);
    replugAtMs_ = monotonicMs() + unplug.forMs;
}

void SimLoop::replug() {
    replugAtMs_.reset();
    std::string error;
    if (!parts_.line.open(settings_.line, error) || !parts_.link.restore(parts_.line.slaveName(), error)) {
        // Stays unplugged; the simulator runs on until it is stopped, as after a hang-up.
        std::fprintf(stderr, "kqsim: cannot come back: %s\n", error.c_str());
        parts_.line.close();
        return;
    }
    std::fprintf(stderr, "kqsim: back on %s (%s)\n", parts_.link.shownName().c_str(), parts_.line.slaveName().c_str());
}

void SimLoop::catchUp() {
    const double now = monotonicMs();
    for (const std::string& address : parts_.handler.arriveDue(now)) {
        std::fprintf(stderr, "kqsim: module %s has arrived\n", address.c_str());
    }
    if (replugAtMs_ && now >= *replugAtMs_) replug();
}

int SimLoop::msToNextEvent() const {
    std::optional<double> next = parts_.handler.nextArrivalMs();
    if (replugAtMs_ && (!next || *replugAtMs_ < *next)) next = replugAtMs_;
    if (!next) return -1;
    // Rounded up, so that the wake-up does not come a fraction too early.
    return static_cast<int>(std::max(0.0, std::ceil(*next - monotonicMs())));
}

void SimLoop::hangUp() {
    // Closing discards what the flasher has not read; let it take the last
    // reply first. The reply reaches the slave side a moment after our write.
    const int64_t now = monotonicNs();
    const int64_t landed = now + HangupLandMs * NsPerMs;
    const int64_t giveUp = now + HangupGraceMs * NsPerMs;
    bool seen = false;
    while (!stopRequested()) {
        const bool unread = parts_.line.unreadReplyBytes() > 0;
        seen = seen || unread;
        const int64_t t = monotonicNs();
        if ((seen && !unread) || (!seen && t >= landed) || t >= giveUp) break;
        sleepUntilNs(t + HangupCheckMs * NsPerMs);
    }
    parts_.line.close();
    parts_.link.remove();
    parser_ = RequestParser();
}

}  // namespace kq::sim
