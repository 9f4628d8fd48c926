// The station's sender: a thread of its own that sends the record folder's
// outbox to the database after each record, keeps the connection, and while
// the database is away tries again by the RetryGate. A station (or anything
// that appends records) only tells it that a record went into the journal;
// it never waits for the database.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "production/odbc_connection_string.h"
#include "production/outbox.h"
#include "production/outbox_retry.h"
#include "production/record_field.h"
#include "production/record_store.h"
#include "production/records_journal.h"

namespace kq::production {

struct PusherOptions {
    StoreOptions store;
    std::chrono::milliseconds leastRetryInterval = LeastRetryInterval;
    std::chrono::milliseconds longestRetryInterval = LongestRetryInterval;
    // The clock of the retry gate; std::chrono::steady_clock when empty.
    std::function<std::chrono::steady_clock::time_point()> now;
    // Called after the status may have changed (records waiting, the
    // connection, the last error), from the sending thread or from
    // recordAppended's caller, never with the sender's lock held: it may
    // call status().
    std::function<void()> changed;
};

struct PusherStatus {
    size_t waiting = 0;             // records in the outbox
    bool connected = false;
    uint64_t connectAttempts = 0;
    uint64_t sent = 0;              // records this sender put in (or found there)
    std::string lastError;          // the last failure, masked; "" once records go through again
};

class RecordsPusher {
public:
    // connection: expanded (expandConnectionString); its secrets mask every message.
    RecordsPusher(std::string folder, ExpandedConnection connection, std::span<const FieldDefinition> fields,
                  PusherOptions options = {});
    ~RecordsPusher();
    RecordsPusher(const RecordsPusher&) = delete;
    RecordsPusher& operator=(const RecordsPusher&) = delete;

    // Starts the thread; it sends what the outbox holds from before at once.
    void start();
    // A record went into the journal (appended: what the journal's append
    // returned): send it. Returns at once.
    void recordAppended(const JournalAppend& appended);
    // Wakes the thread to look at its clock again (for tests with their own clock).
    void poke();
    PusherStatus status() const;
    // Waits until the outbox is empty, at most timeout; true when it is.
    bool waitUntilSent(std::chrono::milliseconds timeout);
    // Ends the thread after the statement it is in (bounded by the store's time-outs).
    void stop();

private:
    void run();
    std::chrono::steady_clock::time_point now() const;
    // Takes a count of the outbox; appends beyond its end are added to it.
    void counted(size_t waiting, uint64_t end);

    const std::string folder_;
    const ExpandedConnection connection_;
    const std::span<const FieldDefinition> fields_;
    const PusherOptions options_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable sent_;
    bool stopping_ = false;
    bool pending_ = true;  // the outbox may hold records
    RetryGate gate_;
    PusherStatus status_;
    size_t countedWaiting_ = 0;              // the outbox up to countedEnd_, by the last count
    uint64_t countedEnd_ = 0;
    std::vector<uint64_t> appendedBeyond_;   // ends of records appended after countedEnd_
    std::thread thread_;
};

}  // namespace kq::production
