#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "production/outbox.h"
#include "production/outbox_retry.h"
#include "production/outbox_state.h"
#include "production/records_journal.h"
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

TEST(OutboxState, TextRoundTripsAndForeignTextIsNoState) {
    const OutboxState state{120, 480, caseRunId(3), 7};
    const auto back = outboxStateOfText(outboxStateText(state));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->lineStart, 120u);
    EXPECT_EQ(back->end, 480u);
    EXPECT_EQ(back->runId, caseRunId(3));
    EXPECT_EQ(back->sent, 7u);
    EXPECT_TRUE(outboxStateOfText(outboxStateText(OutboxState{})));  // nothing acknowledged yet
    const std::string id = caseRunId(3);
    const std::vector<std::string> bads = {
             "", "{", "[]",
             "{\"line_start\":0,\"end\":10,\"sent\":1}",                                  // no run id
             "{\"line_start\":-1,\"end\":10,\"run_id\":\"" + id + "\",\"sent\":1}",       // negative
             "{\"line_start\":10,\"end\":10,\"run_id\":\"" + id + "\",\"sent\":1}",       // an empty line
             "{\"line_start\":0,\"end\":10,\"run_id\":\"abc\",\"sent\":1}",               // not a run id
             "{\"line_start\":0,\"end\":\"10\",\"run_id\":\"" + id + "\",\"sent\":1}",    // a text
    };
    for (const std::string& bad : bads) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(outboxStateOfText(bad));
    }
}

TEST(OutboxState, AStateThatNoLongerFitsTheJournalSendsEverythingAgain) {
    const auto records = test::queryCaseRecords();
    struct Row {
        const char* name;
        bool replaceJournal;  // the journal is made anew after the state was written
        std::string stateText;  // "" = the state of the second record; "-" = no state file
        uint64_t expectedEnd;   // 0 = from the start
        size_t waiting;
    };
    RecordFolder probe;
    RecordsJournal probeJournal(probe.folder());
    const JournalAppend first = probeJournal.append(recordJsonLine(records[0]));
    const JournalAppend second = probeJournal.append(recordJsonLine(records[1]));
    const OutboxState atSecond{second.offset, second.end, records[1].runId, 2};
    const std::vector<Row> rows = {
        {"fits", false, "", second.end, 1},
        {"no state file", false, "-", 0, 3},
        {"garbage", false, "not a state", 0, 3},
        {"past the journal's end", false, outboxStateText({second.end, second.end + 50, records[1].runId, 2}), 0, 3},
        {"another record at that place", false, outboxStateText({first.offset, first.end, records[4].runId, 1}), 0, 3},
        {"not at a line's start", false, outboxStateText({first.offset + 1, second.end, records[1].runId, 2}), 0, 3},
        {"journal replaced by another", true, "", 0, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RecordFolder folder;
        RecordsJournal journal(folder.folder());
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(journal.append(recordJsonLine(records[i])).ok);
        if (row.stateText.empty()) {
            ASSERT_TRUE(saveOutboxState(folder.folder(), atSecond));
        } else if (row.stateText != "-") {
            std::ofstream(folder.path / "records.outbox", std::ios::binary) << row.stateText;
        }
        if (row.replaceJournal) {
            std::filesystem::remove(folder.path / "records.jsonl");
            ASSERT_TRUE(journal.append(recordJsonLine(records[5])).ok);
        }
        EXPECT_EQ(loadOutboxState(folder.folder()).end, row.expectedEnd);
        EXPECT_EQ(outboxWaiting(folder.folder(), sampleFields()), row.waiting);
    }
}

// ---- when the database is tried again -----------------------------------------

TEST(RetryGate, OneTryPer5SecondsAtMostAndLongerWaitsAfterEachFailure) {
    using namespace std::chrono;
    using T = RetryGate::TimePoint;
    const T t0 = T{} + hours(1);
    RetryGate gate(milliseconds(5000), milliseconds(60000));
    EXPECT_TRUE(gate.mayTry(t0));  // the first try goes at once

    // Each failure in a row doubles the wait, up to the longest.
    T at = t0;
    for (const int expectedSeconds : {5, 10, 20, 40, 60, 60}) {
        SCOPED_TRACE(expectedSeconds);
        gate.tried(at, false);
        EXPECT_FALSE(gate.mayTry(at + seconds(expectedSeconds) - milliseconds(1)));
        EXPECT_TRUE(gate.mayTry(at + seconds(expectedSeconds)));
        at += seconds(expectedSeconds);
    }
    // A try that got through starts again from the least wait, which still holds.
    gate.tried(at, true);
    EXPECT_EQ(gate.failuresInARow(), 0);
    EXPECT_FALSE(gate.mayTry(at + milliseconds(4999)));
    gate.tried(at + seconds(5), false);
    EXPECT_TRUE(gate.mayTry(at + seconds(10)));
}

}  // namespace
}  // namespace kq::production
