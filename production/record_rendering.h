// The renderings of a record's facts (run_fields.h): "key:   value" lines
// for the record file and check's text, and one JSON object for the JSON
// line and check --json. Each walks the facts in the order of the field list.
#pragma once

#include <string>
#include <string_view>

#include "production/run_fields.h"

namespace kq::production {

// Which facts the lines show: those above a record's log, or those of its
// ending (result, exit status, step, duration, hint).
enum class FactPart { Header, Ending };

// The lines of the facts of that part that have a label, one "key:   value"
// line each; a fact that is not known shows "-".
std::string factLines(const Facts& facts, FactPart part);
// One "key:   value" line.
std::string factLine(std::string_view key, std::string_view value);

// The facts as one JSON object on one line, without its line end: members
// named as the facts, null for a fact that is not known; UTF-8, a byte that
// is not UTF-8 replaced by U+FFFD.
std::string factsJson(const Facts& facts);

}  // namespace kq::production
