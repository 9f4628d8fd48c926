#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "production/outbox.h"
#include "production/outbox_pusher.h"
#include "production/records_journal.h"
#include "support/fresh_folder.h"
#include "support/record_folder.h"
#include "support/record_query_cases.h"
#include "support/record_sample_fields.h"
#include "support/utf8_path.h"
#include "test_database.h"

namespace kq::production {
namespace {

using namespace std::chrono_literals;
using test::caseRunId;
using test::sampleFields;
using test::RecordFolder;
using test::sampleRecord;

std::string recordLine(int n) {
    return recordJsonLine(sampleRecord(caseRunId(n), "2026-05-01 08:00:0" + std::to_string(n) + ".000", "1"));
}

// The run ids in the order the server took them (a fresh table only grows).
std::vector<std::string> idsInInsertOrder(test::TestDatabase& db) {
    return db.column("SELECT run_id FROM upgrade_runs ORDER BY ctid");
}

TEST(OutboxDb, PushSendsInJournalOrderAndAResendCountsAsSent) {
    KQ_WITH_TEST_DATABASE(db);
    RecordFolder folder;
    RecordsJournal journal(folder.folder());
    for (int n : {3, 1, 2}) ASSERT_TRUE(journal.append(recordLine(n)).ok);
    std::ofstream(folder.path / "records.jsonl", std::ios::app | std::ios::binary) << "{\"run_id\":";  // torn

    OutboxPush push = pushOutboxNow(folder.folder(), sampleFields(), db.connection());
    ASSERT_FALSE(push.error) << push.error.text();
    EXPECT_EQ(push.sent, 3u);
    EXPECT_TRUE(push.complete);
    EXPECT_EQ(push.waiting, 0u);
    EXPECT_EQ(idsInInsertOrder(db), test::caseRunIds({3, 1, 2}));
    EXPECT_EQ(loadOutboxState(folder.folder()).runId, caseRunId(2));

    ASSERT_TRUE(journal.append(recordLine(4)).ok);  // closes the torn line
    EXPECT_EQ(outboxWaiting(folder.folder(), sampleFields()), 1u);
    push = pushOutboxNow(folder.folder(), sampleFields(), db.connection());
    EXPECT_EQ(push.sent, 1u);
    EXPECT_EQ(push.badLines, 1u);

    // A crash after the inserts, before the state was written: all go again, none twice.
    std::filesystem::remove(folder.path / "records.outbox");
    push = pushOutboxNow(folder.folder(), sampleFields(), db.connection());
    EXPECT_EQ(push.sent, 0u);
    EXPECT_EQ(push.alreadyThere, 4u);
    EXPECT_TRUE(push.complete);
    EXPECT_EQ(idsInInsertOrder(db), test::caseRunIds({3, 1, 2, 4}));

    // A server that does not answer: everything stays in the outbox.
    ASSERT_TRUE(journal.append(recordLine(5)).ok);
    const std::string away = test::withAttribute(db.text(), "Port", "1");
    push = pushOutboxNow(folder.folder(), sampleFields(), expandConnectionString(away));
    EXPECT_TRUE(push.error);
    EXPECT_EQ(push.waiting, 1u);
    EXPECT_FALSE(push.complete);
}

// A cluster of this test's own, so that stopping it leaves the others' alone.
class OwnCluster {
public:
    explicit OwnCluster(std::string& connection) {
        if (!run("start")) return;
        std::ifstream file(state_ + "/connection");
        std::getline(file, connection);
    }
    ~OwnCluster() { run("stop"); }
    bool run(const std::string& command) {
        const std::string line = std::string(KQ_PG_CLUSTER_SCRIPT) + " " + command + " " + state_ + " >/dev/null";
        return std::system(line.c_str()) == 0;
    }

private:
    std::string state_ = test::utf8String(test::makeFreshFolder("kq-pg-own-"));
};

template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds within = 15s) {
    const auto until = std::chrono::steady_clock::now() + within;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

TEST(OutboxDb, RecordsWaitWhileTheServerIsAwayAndGoInOrderOnceItIsBack) {
    std::string reason;
    if (test::clusterConnection(reason).empty()) GTEST_SKIP() << reason;
    std::string cluster;
    OwnCluster own(cluster);
    ASSERT_FALSE(cluster.empty()) << "the test's own cluster did not start";
    test::TestDatabase db;
    ASSERT_TRUE(db.create(cluster, reason)) << reason;

    RecordFolder folder;
    RecordsJournal journal(folder.folder());
    std::atomic<long long> fakeMs{0};
    const auto start = std::chrono::steady_clock::now();
    PusherOptions options;
    options.now = [&] { return start + std::chrono::milliseconds(fakeMs.load()); };
    RecordsPusher pusher(folder.folder(), db.connection(), sampleFields(), options);
    pusher.start();

    const JournalAppend first = journal.append(recordLine(1));
    ASSERT_TRUE(first.ok);
    pusher.recordAppended(first);
    ASSERT_TRUE(pusher.waitUntilSent(15s)) << pusher.status().lastError;
    EXPECT_TRUE(pusher.status().connected);

    ASSERT_TRUE(own.run("halt"));
    for (int n : {2, 3}) {
        const JournalAppend appended = journal.append(recordLine(n));
        ASSERT_TRUE(appended.ok);
        const auto before = std::chrono::steady_clock::now();
        pusher.recordAppended(appended);
        EXPECT_LT(std::chrono::steady_clock::now() - before, 50ms);  // the station never waits for the database
    }
    ASSERT_TRUE(eventually([&] { return !pusher.status().lastError.empty(); })) << "the lost server went unnoticed";
    EXPECT_EQ(pusher.status().waiting, 2u);
    EXPECT_EQ(pusher.status().connectAttempts, 1u);
    EXPECT_EQ(pusher.status().lastError.find(test::attributeOf(db.text(), "Pwd")), std::string::npos);

    // No second connection attempt within 5 s, however long it waits.
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(pusher.status().connectAttempts, 1u);
    fakeMs += 5000;
    pusher.poke();
    ASSERT_TRUE(eventually([&] { return pusher.status().connectAttempts == 2; }));  // still away
    ASSERT_TRUE(own.run("resume"));
    fakeMs += 9000;  // the wait after a second failure is 10 s
    pusher.poke();
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(pusher.status().connectAttempts, 2u);
    EXPECT_EQ(pusher.status().waiting, 2u);

    fakeMs += 1000;
    pusher.poke();
    ASSERT_TRUE(pusher.waitUntilSent(15s)) << pusher.status().lastError;
    const PusherStatus status = pusher.status();
    EXPECT_EQ(status.connectAttempts, 3u);
    EXPECT_EQ(status.sent, 3u);
    EXPECT_TRUE(status.lastError.empty());
    pusher.stop();
    EXPECT_EQ(idsInInsertOrder(db), test::caseRunIds({1, 2, 3}));
}

}  // namespace
}  // namespace kq::production
