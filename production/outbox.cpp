#include "production/outbox.h"

#include <chrono>

#include "production/records_journal.h"

namespace kq::production {

OutboxCount countOutbox(const std::string& folder, std::span<const FieldDefinition> fields) {
    const OutboxState state = loadOutboxState(folder);
    OutboxCount count;
    const JournalScan scan = scanJournal(journalPath(folder), fields, state.end, [&](const JournalEntry&) {
        ++count.waiting;
        return true;
    });
    count.end = scan.end;
    return count;
}

OutboxPush pushOutbox(const std::string& folder, std::span<const FieldDefinition> fields, RecordStore& store,
                      const std::function<bool()>& stop) {
    using Clock = std::chrono::steady_clock;
    OutboxPush push;
    OutboxState state = loadOutboxState(folder);
    OutboxState saved = state;
    auto lastSave = Clock::now();
    size_t sinceSave = 0;
    const auto save = [&] {
        if (state.end == saved.end) return;
        if (saveOutboxState(folder, state)) {
            saved = state;
        } else {
            push.stateSaved = false;
        }
        lastSave = Clock::now();
        sinceSave = 0;
    };
    bool stopped = false;
    const JournalScan scan = scanJournal(journalPath(folder), fields, state.end, [&](const JournalEntry& entry) {
        if (stop && stop()) {
            stopped = true;
            return false;
        }
        const StoreInsert inserted = store.insert(entry.record);
        if (inserted.outcome == StoreInsert::Failed) {
            push.error = inserted.error;
            return false;
        }
        ++(inserted.outcome == StoreInsert::Inserted ? push.sent : push.alreadyThere);
        state = OutboxState{entry.offset, entry.end, entry.record.runId, state.sent + 1};
        ++sinceSave;
        if (sinceSave >= StateSaveEveryRecords || Clock::now() - lastSave >= std::chrono::milliseconds(StateSaveEveryMs))
            save();
        return true;
    });
    save();
    push.badLines = scan.badLines;
    if (scan.status == JournalScan::CannotRead) push.journalError = scan.reason;
    push.complete = scan.status != JournalScan::CannotRead && !push.error && !stopped;
    if (push.complete) {
        push.countedEnd = scan.end;
    } else {
        const OutboxCount left = countOutbox(folder, fields);
        push.waiting = left.waiting;
        push.countedEnd = left.end;
    }
    return push;
}

OutboxPush pushOutboxNow(const std::string& folder, std::span<const FieldDefinition> fields,
                         const ExpandedConnection& connection, StoreOptions options) {
    RecordStore store(fields, options);
    if (DbError error = store.open(connection)) {
        OutboxPush push;
        push.error = error;
        const OutboxCount left = countOutbox(folder, fields);
        push.waiting = left.waiting;
        push.countedEnd = left.end;
        push.complete = push.waiting == 0;
        return push;
    }
    return pushOutbox(folder, fields, store);
}

}  // namespace kq::production
