#include "production/outbox_pusher.h"

#include "production/outbox.h"

namespace kq::production {

namespace {
// How long the thread sleeps at most before it looks at the clock again.
constexpr std::chrono::milliseconds LongestSleep{500};
}  // namespace

RecordsPusher::RecordsPusher(std::string folder, ExpandedConnection connection, std::span<const FieldDefinition> fields,
                             PusherOptions options)
    : folder_(std::move(folder)), connection_(std::move(connection)), fields_(fields), options_(std::move(options)),
      gate_(options_.leastRetryInterval, options_.longestRetryInterval) {}

RecordsPusher::~RecordsPusher() { stop(); }

std::chrono::steady_clock::time_point RecordsPusher::now() const {
    return options_.now ? options_.now() : std::chrono::steady_clock::now();
}

void RecordsPusher::start() {
    const std::lock_guard<std::mutex> hold(mutex_);
    if (thread_.joinable() || stopping_) return;
    const OutboxCount count = countOutbox(folder_, fields_);
    counted(count.waiting, count.end);
    thread_ = std::thread([this] { run(); });
}

void RecordsPusher::recordAppended(const JournalAppend& appended) {
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        pending_ = true;
        if (appended.ok && appended.end > countedEnd_) {
            appendedBeyond_.push_back(appended.end);
            status_.waiting = countedWaiting_ + appendedBeyond_.size();
        }
    }
    wake_.notify_one();
    if (options_.changed) options_.changed();
}

void RecordsPusher::counted(size_t waiting, uint64_t end) {
    countedWaiting_ = waiting;
    countedEnd_ = end;
    std::erase_if(appendedBeyond_, [end](uint64_t appendedEnd) { return appendedEnd <= end; });
    status_.waiting = countedWaiting_ + appendedBeyond_.size();
}

void RecordsPusher::poke() { wake_.notify_one(); }

PusherStatus RecordsPusher::status() const {
    const std::lock_guard<std::mutex> hold(mutex_);
    return status_;
}

bool RecordsPusher::waitUntilSent(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> hold(mutex_);
    return sent_.wait_for(hold, timeout, [this] { return !pending_ && status_.waiting == 0; });
}

void RecordsPusher::stop() {
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
}

void RecordsPusher::run() {
    RecordStore store(fields_, options_.store);
    const auto stopRequested = [this] {
        const std::lock_guard<std::mutex> hold(mutex_);
        return stopping_;
    };
    std::unique_lock<std::mutex> hold(mutex_);
    while (!stopping_) {
        if (!pending_) {
            wake_.wait(hold, [this] { return stopping_ || pending_; });
            continue;
        }
        const auto at = now();
        if (!store.isOpen() && !gate_.mayTry(at)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(gate_.nextTry() - at);
            wake_.wait_for(hold, std::min(left, LongestSleep));
            continue;
        }
        pending_ = false;  // records appended from here on set it again
        hold.unlock();

        const bool connecting = !store.isOpen();
        const DbError connectError = connecting ? store.open(connection_) : DbError{};
        OutboxPush push;
        if (!connectError) push = pushOutbox(folder_, fields_, store, stopRequested);
        const bool through = !connectError && !push.error && push.journalError.empty();
        if (!through) store.close();  // a fresh connection for the next try

        hold.lock();
        if (connecting) ++status_.connectAttempts;
        // Tries that had to connect, and failures, count for the gate: a
        // record sent on a live connection is never held back.
        if (connecting || !through) gate_.tried(now(), through);
        status_.connected = store.isOpen();
        if (!connectError) {
            status_.sent += push.sent + push.alreadyThere;
            counted(push.waiting, push.countedEnd);
        }
        if (through) {
            status_.lastError.clear();
            if (!push.complete) pending_ = true;  // stopped part-way
        } else {
            pending_ = true;
            status_.lastError = connectError ? connectError.text() : push.error ? push.error.text() : push.journalError;
        }
        if (!pending_ && status_.waiting == 0) sent_.notify_all();
        if (options_.changed) {
            hold.unlock();
            options_.changed();
            hold.lock();
        }
    }
}

}  // namespace kq::production
