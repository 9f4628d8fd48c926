// Questions about records ("what is on module X", "which runs used this
// file"): one filter, answered alike by the database (record_store.h) and by
// the journals of a folder, with the same rows in the same order.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "production/record_field.h"
#include "production/records_journal_line.h"

namespace kq::production {

// The fields a question is asked about, by name in the field list. The
// database indexes the module address, the file's SHA-256 and the start time.
struct RecordColumns {
    std::string_view moduleAddress = "module_address";
    std::string_view sha256 = "hex_sha256";
    std::string_view started = "started";  // "YYYY-MM-DD HH:MM:SS.mmm", so that text order is time order
    std::string_view station = "station";
    std::string_view result = "result";
};

// Every condition given must hold; the rows come newest first (by start
// time, then by run id; a record without a start time last).
struct RecordFilter {
    std::optional<std::string> moduleAddress;  // exactly this address
    std::optional<std::string> sha256;         // exactly this hash (64 lower-case hex digits)
    std::optional<std::string> station;
    std::optional<std::string> result;
    std::optional<std::string> since;  // started at or after: a start time or its start ("2026-05-01")
    std::optional<std::string> until;  // started before: a start time or its start
    size_t limit = 0;                  // at most this many rows, the newest; 0 = every match
};

struct RecordQuery {
    bool ok = false;
    std::string error;  // why not (a filter on a field the records lack, an unreadable journal, the database's error)
    std::vector<RecordRow> rows;
    size_t badLines = 0;  // journal lines that are not records, skipped (journals only)
};

// "" when every field the filter uses is in the field list; else the reason.
std::string checkFilter(std::span<const FieldDefinition> fields, const RecordFilter& filter, const RecordColumns& columns);

// True when row passes every condition of filter.
bool recordMatches(const RecordRow& row, const RecordFilter& filter, const RecordColumns& columns);

// Orders rows newest first, as the database answers.
void sortNewestFirst(std::vector<RecordRow>& rows, const RecordColumns& columns);

// The journals of a record folder: its own records.jsonl and that of each
// folder directly inside it (a line's stations' folders gathered in one),
// those that exist, in name order.
std::vector<std::string> journalsOfFolder(const std::string& folder);

// Answers filter from journals. A run id found twice (a folder copied into
// another) counts once, as the database keeps it once.
RecordQuery queryJournals(std::span<const std::string> journals, std::span<const FieldDefinition> fields,
                          const RecordFilter& filter, const RecordColumns& columns = {});

}  // namespace kq::production
