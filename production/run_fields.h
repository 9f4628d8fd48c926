// The one field list of the production line: every fact of a run record and
// of a check, in order, and the facts of one run or check as values of that
// list. The record file, the JSON line, check's text and check --json are
// renderings of these values (record_rendering.h); a fact that does not
// apply to a run (the upgrade area of a local run) is not among them.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "production/image_facts.h"
#include "production/record_field.h"
#include "production/run_record.h"

namespace kq::production {

// Every fact, in order: name = JSON member and database column, kind,
// label = key of the record file and of check's text.
std::span<const FieldDefinition> runRecordFields();
// The fact of that name; nullptr for none.
const FieldDefinition* runRecordField(std::string_view name);

// One fact as the renderings take it: its value, or none when the fact
// applies but is not known (a HEX file that could not be read, an image
// refused): "-" in the texts, null in JSON.
struct Fact {
    const FieldDefinition* definition = nullptr;
    std::optional<FieldData> data;
};
using Facts = std::vector<Fact>;  // in the order of the field list

// What check found out, and how it ended.
struct CheckReport {
    UpgradeSettings settings;
    std::vector<std::string> portTexts;        // the ports flash would take
    std::vector<std::string> moduleAddresses;  // the modules of its bus
    std::optional<HexFileFacts> hexFile;       // none when the file could not be read
    std::optional<ImageFacts> image;           // none when the file was refused
    std::vector<std::string> warnings;         // of a file that loaded (hexLoadWarnings)
    int exitStatus = 0;
    std::string message;                       // the loader's refusal, "" when none
};

Facts runFacts(const RunReport& report);
Facts checkFacts(const CheckReport& report);
// The known facts of a run, for the stores of records.
RecordValues recordValues(const RunReport& report);

}  // namespace kq::production
