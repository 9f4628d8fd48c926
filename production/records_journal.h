// The records journal: records.jsonl in a record folder, one JSON line per
// record, appended durably. It is the source of truth; the database gets a
// copy of each line afterwards (outbox.h).
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "production/record_field.h"
#include "production/records_journal_line.h"

namespace kq::production {

constexpr std::string_view JournalFileName = "records.jsonl";
constexpr size_t MaxJournalLineBytes = 1 << 20;  // bytes of one line; a longer one is not a record

// folder + "/" + JournalFileName (folder "" names the working folder).
std::string journalPath(const std::string& folder);

struct JournalAppend {
    bool ok = false;
    std::string reason;   // why not, in words (the system's own where it has them)
    uint64_t offset = 0;  // where the line starts in the file
    uint64_t end = 0;     // the offset after its line break
};

// The journal of one record folder. Appends from several threads of one
// process go one after another; another process appending to the same file
// waits for a file lock.
class RecordsJournal {
public:
    explicit RecordsJournal(std::string folder);

    const std::string& folder() const { return folder_; }
    const std::string& path() const { return path_; }

    // Appends one record's JSON line (a JSON object with a run id, without a
    // line break) and its line break; true once it is on the disk (written,
    // flushed and synced). The folder is made when missing. A torn last line
    // left by a power cut is closed with a line break first, so that it
    // never swallows the new record.
    JournalAppend append(std::string_view jsonLine);

private:
    std::string folder_;
    std::string path_;
    std::mutex mutex_;
};

// One record read from a journal, with the bytes its line takes.
struct JournalEntry {
    uint64_t offset = 0;  // start of the line
    uint64_t end = 0;     // after its line break
    RecordRow record;
};

struct JournalScan {
    enum Status {
        Read,        // read to the end, or until the visitor stopped
        Missing,     // no journal (nothing recorded yet)
        CannotRead,  // see reason
    };
    Status status = Missing;
    std::string reason;
    size_t records = 0;     // records the visitor took (the one it stopped at not counted)
    size_t badLines = 0;    // whole lines that are not records (a torn line closed by a later append, say), skipped
    uint64_t badEnd = 0;    // the offset after the last bad line (0 when none)
    bool tornTail = false;  // the last line has no line break, or does not parse: ignored
    uint64_t end = 0;       // offset after the last line taken or skipped as bad
};

// Reads the journal at path from offset from (the start of a line) to its
// end, handing each record to visit in file order, until visit returns false.
// A bad line never hides the lines around it.
JournalScan scanJournal(const std::string& path, std::span<const FieldDefinition> fields, uint64_t from,
                        const std::function<bool(const JournalEntry&)>& visit);

// The run id of the record whose line takes the bytes from start to end (its
// line break included); "" when no record does. How the outbox checks that
// its state still fits the journal.
std::string runIdOfLineAt(const std::string& path, uint64_t start, uint64_t end);

}  // namespace kq::production
