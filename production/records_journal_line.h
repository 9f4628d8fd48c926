// A record as one JSON line: what the journal holds, what the outbox sends and
// what `records --json` prints. Members are named by the field list; the run
// id comes first, as "run_id".
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "production/record_field.h"

namespace kq::production {

constexpr std::string_view RunIdMember = "run_id";  // JSON member and database column of the run id

// One record as read back: its run id and its facts, in the order of the
// field list (an absent fact has no value).
struct RecordRow {
    std::string runId;
    RecordValues values;

    // The value of the fact named name; nullptr when absent.
    const FieldValue* find(std::string_view name) const;
    // The text of a Text fact; nullptr when absent or not text.
    const std::string* text(std::string_view name) const;
};

// The record's JSON line without its line break: "run_id" first, then every
// value in the order given, each member typed by its field's kind (a value
// whose data does not fit its kind is left out).
std::string recordJsonLine(std::string_view runId, const RecordValues& values);
inline std::string recordJsonLine(const RecordRow& row) { return recordJsonLine(row.runId, row.values); }

// The record of one JSON line, read against the field list: nullopt unless
// the line is a JSON object with a "run_id" that is a run id. Members that
// the list does not name are left out, and so is a member whose JSON type
// does not fit its field's kind (a later version's record read by this one).
std::optional<RecordRow> recordFromJsonLine(std::span<const FieldDefinition> fields, std::string_view line);

// True for the field that is the run id itself, should the list name it:
// it is the record's key, never one of its values.
inline bool isRunIdField(const FieldDefinition& field) { return field.name == RunIdMember; }

}  // namespace kq::production
