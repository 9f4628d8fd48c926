// The facts a run record holds, named once. Every rendering of a record (the
// record file's header, the JSON line, check's text and check --json, the
// database row) walks one list of these, in its order.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kq::production {

// How a fact is held: its JSON type, and the column type of the database.
enum class FieldKind {
    Text,      // JSON string, column VARCHAR
    Integer,   // JSON integer, column BIGINT
    Number,    // JSON number, column DOUBLE PRECISION
    Flag,      // JSON true/false, column SMALLINT 0/1
    TextList,  // JSON array of strings, column VARCHAR holding the JSON array
};

struct FieldDefinition {
    std::string_view name;   // JSON member and database column: lower case, digits and '_'
    FieldKind kind;
    std::string_view label;  // key of the record file's header and of check's text ("" = not shown there)
};

using FieldData = std::variant<std::string, long long, double, bool, std::vector<std::string>>;

// One fact of one record. A fact that does not apply to a run is absent from
// its values, not present with an empty value.
struct FieldValue {
    const FieldDefinition* definition = nullptr;
    FieldData data;
};

using RecordValues = std::vector<FieldValue>;  // in the order of the field list

}  // namespace kq::production
