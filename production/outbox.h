// Sending a record folder's outbox to the database: the journal's records
// after the last acknowledged one, in journal order, each in its own
// transaction, the state moved on behind them. A record the database already
// holds (a resend after a crash between insert and state) counts as sent.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "production/odbc_error.h"
#include "production/outbox_state.h"
#include "production/record_field.h"
#include "production/record_store.h"

namespace kq::production {

constexpr size_t StateSaveEveryRecords = 100;  // a long outbox saves its state at least this often
constexpr int StateSaveEveryMs = 1000;         // ... and at least once a second

struct OutboxPush {
    size_t sent = 0;          // records inserted now
    size_t alreadyThere = 0;  // records the database held already, counted as sent
    size_t badLines = 0;      // journal lines that are not records, passed over
    size_t waiting = 0;       // records still in the outbox afterwards ...
    uint64_t countedEnd = 0;  // ... counted up to this journal offset
    bool complete = false;    // the outbox is empty
    DbError error;            // why sending stopped: the database's refusal, or that it cannot be reached
    std::string journalError; // the journal could not be read
    bool stateSaved = true;   // false: the state file could not be written (the records go again later)
};

struct OutboxCount {
    size_t waiting = 0;  // records in the outbox
    uint64_t end = 0;    // the journal offset they were counted up to
};

// How many records wait in the folder's outbox.
OutboxCount countOutbox(const std::string& folder, std::span<const FieldDefinition> fields);
inline size_t outboxWaiting(const std::string& folder, std::span<const FieldDefinition> fields) {
    return countOutbox(folder, fields).waiting;
}

// Sends the folder's outbox into store (open), stopping at the first record
// that does not go in, or when stop returns true between records.
OutboxPush pushOutbox(const std::string& folder, std::span<const FieldDefinition> fields, RecordStore& store,
                      const std::function<bool()>& stop = {});

// `records push`: connects, sends the whole outbox, disconnects. A database
// that cannot be reached leaves every record waiting (error says why).
OutboxPush pushOutboxNow(const std::string& folder, std::span<const FieldDefinition> fields,
                         const ExpandedConnection& connection, StoreOptions options = {});

}  // namespace kq::production
