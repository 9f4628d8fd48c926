#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "production/record_query.h"
#include "production/records_journal.h"
#include "production/run_id.h"
#include "support/fresh_folder.h"
#include "support/record_folder.h"
#include "support/record_query_cases.h"
#include "support/record_sample_fields.h"
#include "support/utf8_path.h"

namespace kq::production {
namespace {

using test::caseRunId;
using test::sampleFields;
using test::RecordFolder;
using test::sampleRecord;

std::string lineOf(int n) { return recordJsonLine(sampleRecord(caseRunId(n), "2026-05-01 08:00:00.000", "1")) + "\n"; }

struct Read {
    std::vector<std::string> ids;
    JournalScan scan;
};

Read readAll(const std::string& journal, uint64_t from = 0) {
    Read read;
    read.scan = scanJournal(journal, sampleFields(), from, [&](const JournalEntry& entry) {
        read.ids.push_back(entry.record.runId);
        return true;
    });
    return read;
}

TEST(RecordsJournal, ReadingSkipsWhatIsNotARecordAndNeverHidesTheLinesAround) {
    const std::string one = lineOf(1), two = lineOf(2), three = lineOf(3);
    struct Row {
        const char* name;
        std::string bytes;
        std::vector<int> records;
        size_t badLines;
        bool tornTail;
    };
    const std::vector<Row> rows = {
        {"whole lines", one + two + three, {1, 2, 3}, 0, false},
        {"torn last line: no line break", one + two + three.substr(0, 40), {1, 2}, 0, true},
        {"torn last line: a break, but no JSON", one + two + "{\"run_id\":\"00\n", {1, 2}, 0, true},
        {"whole record without its break is torn too", one + two.substr(0, two.size() - 1), {1}, 0, true},
        {"a torn line closed by a later record", one + two.substr(0, 30) + "\n" + three, {1, 3}, 1, false},
        {"JSON that is no record", one + "[1,2]\n{\"run_id\":\"not-a-uuid\"}\n" + three, {1, 3}, 2, false},
        {"empty lines", "\n" + one + "\n\n" + two, {1, 2}, 3, false},
        {"one line longer than a line may be", one + std::string(MaxJournalLineBytes + 10, 'x') + "\n" + two, {1, 2}, 1,
         false},
        {"empty file", "", {}, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RecordFolder folder;
        folder.writeJournal(row.bytes);
        const Read read = readAll(folder.journal());
        EXPECT_EQ(read.scan.status, JournalScan::Read);
        EXPECT_EQ(read.ids, test::caseRunIds(row.records));
        EXPECT_EQ(read.scan.badLines, row.badLines);
        EXPECT_EQ(read.scan.tornTail, row.tornTail);
    }
}

TEST(RecordsJournal, EntriesKnowTheirBytesAndReadingResumesAtAnEnd) {
    RecordFolder folder;
    folder.writeJournal(lineOf(1) + lineOf(2) + lineOf(3).substr(0, 20));
    std::vector<JournalEntry> entries;
    const JournalScan scan = scanJournal(folder.journal(), sampleFields(), 0, [&](const JournalEntry& entry) {
        entries.push_back(entry);
        return entries.size() < 1;  // stop after the first
    });
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].offset, 0u);
    EXPECT_EQ(entries[0].end, lineOf(1).size());
    EXPECT_EQ(scan.records, 0u);  // the one it stopped at does not count as taken
    const Read rest = readAll(folder.journal(), entries[0].end);
    EXPECT_EQ(rest.ids, test::caseRunIds({2}));
    EXPECT_EQ(rest.scan.end, lineOf(1).size() + lineOf(2).size());  // the torn tail is not taken
    EXPECT_EQ(runIdOfLineAt(folder.journal(), entries[0].end, rest.scan.end), caseRunId(2));
    EXPECT_EQ(runIdOfLineAt(folder.journal(), 1, rest.scan.end), "");  // not a line's start
}

TEST(RecordsJournal, AppendClosesATornLineSoTheNewRecordSurvives) {
    RecordFolder folder;
    folder.writeJournal(lineOf(1) + lineOf(2).substr(0, 25));  // a power cut in the middle of record 2
    RecordsJournal journal(folder.folder());
    const JournalAppend appended = journal.append(recordJsonLine(sampleRecord(caseRunId(3), "x", "1")));
    ASSERT_TRUE(appended.ok) << appended.reason;
    EXPECT_EQ(appended.offset, lineOf(1).size() + 25 + 1);
    const Read read = readAll(folder.journal());
    EXPECT_EQ(read.ids, test::caseRunIds({1, 3}));
    EXPECT_EQ(read.scan.badLines, 1u);
    EXPECT_FALSE(read.scan.tornTail);
    EXPECT_EQ(read.scan.end, appended.end);
}

TEST(RecordsJournal, AppendMakesTheFolderAndRefusesWhatIsNoRecordLine) {
    RecordFolder folder;
    RecordsJournal journal(folder.folder() + "/station/records");
    EXPECT_TRUE(journal.append(recordJsonLine(sampleRecord(caseRunId(1), "x", "1"))).ok);
    for (const std::string& bad : {std::string("{\"a\":1}"), std::string("not json"),
                                  recordJsonLine(sampleRecord(caseRunId(2), "x", "1")) + "\n{}"}) {
        SCOPED_TRACE(bad);
        const JournalAppend refused = journal.append(bad);
        EXPECT_FALSE(refused.ok);
        EXPECT_FALSE(refused.reason.empty());
    }
    EXPECT_EQ(readAll(journal.path()).ids, test::caseRunIds({1}));
}

TEST(RecordsJournal, MissingJournalReadsAsNothingRecorded) {
    RecordFolder folder;
    EXPECT_EQ(readAll(folder.journal()).scan.status, JournalScan::Missing);
}

TEST(RecordJsonLine, EveryKindRoundTripsAndForeignMembersAreLeftOut) {
    const RecordRow row = sampleRecord(caseRunId(7), "2026-05-01 08:00:00.000", "000000000042");
    const std::string line = recordJsonLine(row);
    EXPECT_EQ(line.rfind("{\"run_id\":\"" + caseRunId(7) + "\",\"program\":", 0), 0u) << line;
    const auto back = recordFromJsonLine(sampleFields(), line);
    ASSERT_TRUE(back);
    EXPECT_EQ(recordJsonLine(*back), line);

    // A later version's line: an unknown member, and a known one of another type.
    const std::string foreign = "{\"run_id\":\"" + caseRunId(7) +
                                "\",\"baud\":\"fast\",\"new_fact\":1,\"verified\":false,\"duration_s\":3,\"log\":[\"a\",2]}";
    const auto read = recordFromJsonLine(sampleFields(), foreign);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->find("baud"), nullptr);
    EXPECT_EQ(read->find("log"), nullptr);
    ASSERT_NE(read->find("verified"), nullptr);
    EXPECT_EQ(std::get<bool>(read->find("verified")->data), false);
    ASSERT_NE(read->find("duration_s"), nullptr);
    EXPECT_EQ(std::get<double>(read->find("duration_s")->data), 3.0);  // an integer is a number too
}

TEST(RunId, IsARandomVersion4Uuid) {
    std::array<uint8_t, 16> ones{};
    ones.fill(0xFF);
    EXPECT_EQ(runIdFromBytes(ones), "ffffffff-ffff-4fff-bfff-ffffffffffff");
    EXPECT_EQ(runIdFromBytes({}), "00000000-0000-4000-8000-000000000000");
    std::set<std::string> made;
    for (int i = 0; i < 100; ++i) {
        const auto id = newRunId();
        ASSERT_TRUE(id);
        EXPECT_TRUE(isRunId(*id)) << *id;
        made.insert(*id);
    }
    EXPECT_EQ(made.size(), 100u);
    for (const char* bad : {"", "00000000-0000-4000-8000-00000000000", "00000000-0000-4000-8000-0000000000000",
                            "00000000_0000-4000-8000-000000000000", "0000000g-0000-4000-8000-000000000000",
                            "ABCDEF00-0000-4000-8000-000000000000"})
        EXPECT_FALSE(isRunId(bad)) << bad;
}

// ---- questions asked of journals ----------------------------------------------

TEST(JournalQuery, AnswersTheSharedQuestions) {
    RecordFolder folder;
    // Two stations' folders gathered in one, the first record copied into both.
    const auto records = test::queryCaseRecords();
    RecordsJournal a(folder.folder() + "/a"), b(folder.folder() + "/b");
    for (size_t i = 0; i < records.size(); ++i) ASSERT_TRUE((i % 2 ? a : b).append(recordJsonLine(records[i])).ok);
    ASSERT_TRUE(a.append(recordJsonLine(records[0])).ok);
    const auto journals = journalsOfFolder(folder.folder());
    ASSERT_EQ(journals.size(), 2u);
    for (const auto& question : test::queryCases()) {
        SCOPED_TRACE(question.name);
        const RecordQuery answer = queryJournals(journals, sampleFields(), question.filter);
        ASSERT_TRUE(answer.ok) << answer.error;
        EXPECT_EQ(test::runIdsOf(answer.rows), test::caseRunIds(question.expected));
    }
}

TEST(JournalQuery, AQuestionAboutAFieldTheRecordsLackIsRefused) {
    RecordFilter filter;
    filter.station = "line-1";
    RecordColumns columns;
    columns.station = "cell";
    const RecordQuery answer = queryJournals({}, sampleFields(), filter, columns);
    EXPECT_FALSE(answer.ok);
    EXPECT_NE(answer.error.find("cell"), std::string::npos);
}

}  // namespace
}  // namespace kq::production
