// One table of questions and their answers over one set of records, asked of
// a folder's journals (unit tests) and of the database (database tests):
// both must give the same rows in the same order.
#pragma once

#include <string>
#include <vector>

#include "production/record_query.h"
#include "support/record_sample_fields.h"

namespace kq::test {

inline std::string caseRunId(int n) { return "00000000-0000-4000-8000-00000000000" + std::to_string(n); }

constexpr const char* OtherSha256 = "2c26b46b68ffc68ff99b453c1d30413413422d706483bfa0f98a5e886266e7ae";

// Six records: three upgrades of one module, two at the same time, one without a start time.
inline std::vector<production::RecordRow> queryCaseRecords() {
    std::vector<production::RecordRow> rows = {
        sampleRecord(caseRunId(1), "2026-05-01 08:00:00.000", "000000000001", "passed", "line-1"),
        sampleRecord(caseRunId(2), "2026-05-01 09:00:00.000", "000000000001", "failed", "line-2"),
        sampleRecord(caseRunId(3), "2026-05-02 10:00:00.000", "000000000002", "passed", "line-1"),
        sampleRecord(caseRunId(4), "2026-05-02 10:00:00.000", "000000000003", "passed", "line-2"),
        sampleRecord(caseRunId(5), "2026-05-03 07:30:00.000", "000000000001", "passed", "line-1"),
        sampleRecord(caseRunId(6), "", "000000000001", "passed", "line-1"),
    };
    for (auto& value : rows[2].values) {
        if (value.definition->name == "hex_sha256") value.data = std::string(OtherSha256);
    }
    auto& last = rows[5].values;
    std::erase_if(last, [](const production::FieldValue& v) { return v.definition->name == "started"; });
    return rows;
}

struct QueryCase {
    const char* name;
    production::RecordFilter filter;
    std::vector<int> expected;  // run ids by number, in the order of the answer
};

inline std::vector<QueryCase> queryCases() {
    using production::RecordFilter;
    const auto filter = [](auto&& set) {
        RecordFilter f;
        set(f);
        return f;
    };
    return {
        {"everything, newest first, no start time last", {}, {5, 4, 3, 2, 1, 6}},
        {"one module's upgrades", filter([](RecordFilter& f) { f.moduleAddress = "000000000001"; }), {5, 2, 1, 6}},
        {"a module never flashed", filter([](RecordFilter& f) { f.moduleAddress = "000000000009"; }), {}},
        {"by file", filter([](RecordFilter& f) { f.sha256 = OtherSha256; }), {3}},
        {"since a day, same time ordered by run id",
         filter([](RecordFilter& f) { f.since = "2026-05-02"; }), {5, 4, 3}},
        {"until a day (before it)", filter([](RecordFilter& f) { f.until = "2026-05-02"; }), {2, 1}},
        {"since is inclusive, until exclusive", filter([](RecordFilter& f) {
             f.since = "2026-05-01 09:00:00.000";
             f.until = "2026-05-02 10:00:00.000";
         }),
         {2}},
        {"by station", filter([](RecordFilter& f) { f.station = "line-2"; }), {4, 2}},
        {"by result", filter([](RecordFilter& f) { f.result = "failed"; }), {2}},
        {"every condition at once", filter([](RecordFilter& f) {
             f.moduleAddress = "000000000001";
             f.result = "passed";
             f.station = "line-1";
             f.since = "2026-05-01";
         }),
         {5, 1}},
        {"the newest two", filter([](RecordFilter& f) { f.limit = 2; }), {5, 4}},
    };
}

inline std::vector<std::string> runIdsOf(const std::vector<production::RecordRow>& rows) {
    std::vector<std::string> ids;
    for (const auto& row : rows) ids.push_back(row.runId);
    return ids;
}

inline std::vector<std::string> caseRunIds(const std::vector<int>& numbers) {
    std::vector<std::string> ids;
    for (int n : numbers) ids.push_back(caseRunId(n));
    return ids;
}

}  // namespace kq::test
