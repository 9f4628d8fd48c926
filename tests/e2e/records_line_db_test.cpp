// flash and station with a record folder and the records database, against
// kqsim and the test cluster: the row carries the journal line's run id; with
// the database away the flash still succeeds and its record waits in the
// outbox, until records push (or the station's next start) sends it; records
// answers alike from the database and from the folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "db/test_database.h"
#include "e2e/flasher_session.h"
#include "e2e/sim_process.h"
#include "formats/sha256.h"

namespace kq::testing {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> found;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) found.push_back(line);
    }
    return found;
}

std::string readAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The run id of a JSON line, which comes first.
std::string runIdOf(const std::string& line) {
    const std::string start = "{\"run_id\":\"";
    return line.rfind(start, 0) == 0 ? line.substr(start.size(), 36) : "";
}

std::vector<std::string> runIds(const std::vector<std::string>& jsonLines) {
    std::vector<std::string> ids;
    for (const std::string& line : jsonLines) ids.push_back(runIdOf(line));
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Everything a run leaves: its output and every file of the record folder.
std::string everythingWritten(const ProcessResult& run, const std::string& folder) {
    std::string all = run.out + run.err;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) all += readAll(entry.path().string());
    return all;
}

TEST(RecordsOfTheLine, FlashCopiesItsRecordAndKeepsItWhenTheDatabaseIsAway) {
    KQ_WITH_TEST_DATABASE(db);
    const std::string password = test::attributeOf(db.text(), "Pwd");
    ASSERT_GE(password.size(), 3u);
    const std::string connection = test::withAttribute(db.text(), "Pwd", "${KQ_RECORDS_PWD}");
    const std::string away = test::withAttribute(connection, "Port", "1");  // nothing listens there
    ProcessOptions options{"", 60s, {"KQ_RECORDS_PWD=" + password}};

    FlasherSession session({"--family", "251", "--stay-in-boot", "--address", "000000001234"});
    ASSERT_TRUE(session.ready()) << session.error();
    const std::string folder = session.folder().path() + "runs";
    const std::vector<std::string> flashArgs = {"--type", "backup", "--address", "1234", "--log-dir", folder, "--json"};

    auto flashWith = [&](const std::string& records) {
        std::vector<std::string> args = flashArgs;
        args.insert(args.end(), {"--records-db", records, sample251().hexPath});
        return session.flash(args, options);
    };
    const ProcessResult first = flashWith(connection);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::vector<std::string> journal = lines(readAll(folder + "/records.jsonl"));
    ASSERT_EQ(journal.size(), 1u);
    const std::string firstId = runIdOf(journal[0]);
    EXPECT_EQ(firstId.size(), 36u) << journal[0];
    EXPECT_EQ(runIdOf(lines(first.out).at(0)), firstId) << "the JSON line on stdout names the same run";
    EXPECT_EQ(db.column("SELECT run_id FROM upgrade_runs"), std::vector<std::string>{firstId});

    const ProcessResult second = flashWith(away);
    EXPECT_EQ(second.exitCode, 0) << "the upgrade succeeded; the record only waits: " << second.err;
    EXPECT_NE(second.err.find("the record waits in the outbox"), std::string::npos) << second.err;
    EXPECT_NE(second.err.find("Pwd=${KQ_RECORDS_PWD}"), std::string::npos) << "the string as given, masked";
    EXPECT_EQ(db.column("SELECT run_id FROM upgrade_runs").size(), 1u);
    EXPECT_EQ(everythingWritten(second, folder).find(password), std::string::npos) << "the password leaked";

    const ProcessResult pushAway = runFlasher({"records", "push", "--records-db", away, folder}, options);
    EXPECT_EQ(pushAway.exitCode, 7) << pushAway.err;
    const ProcessResult push = runFlasher({"records", "push", "--records-db", connection, folder}, options);
    EXPECT_EQ(push.exitCode, 0) << push.err;
    EXPECT_NE(push.out.find("1 sent, 0 already there, 0 waiting"), std::string::npos) << push.out;

    const std::vector<std::string> both = runIds(lines(readAll(folder + "/records.jsonl")));
    ASSERT_EQ(both.size(), 2u);
    std::vector<std::string> inDatabase = db.column("SELECT run_id FROM upgrade_runs");
    std::sort(inDatabase.begin(), inDatabase.end());
    EXPECT_EQ(inDatabase, both);

    const ProcessResult fromDatabase =
        runFlasher({"records", "--records-db", connection, "--module", "1234", "--json"}, options);
    const ProcessResult fromFolder = runFlasher({"records", folder, "--module", "000000001234", "--json"}, options);
    EXPECT_EQ(fromDatabase.exitCode, 0) << fromDatabase.err;
    EXPECT_EQ(fromFolder.exitCode, 0) << fromFolder.err;
    EXPECT_EQ(runIds(lines(fromDatabase.out)), both) << fromDatabase.out;
    EXPECT_EQ(runIds(lines(fromFolder.out)), both) << fromFolder.out;
    ASSERT_TRUE(session.sim().stop());
}

// A station's cycles go to the database of its recipe (the password from the
// environment); --records-db on the command line wins over it, and the
// records a station could not send go at its next start.
TEST(RecordsOfTheLine, AStationSendsEveryCycleAndWhatWaitedAtItsNextStart) {
    KQ_WITH_TEST_DATABASE(db);
    const std::string password = test::attributeOf(db.text(), "Pwd");
    const std::string connection = test::withAttribute(db.text(), "Pwd", "${KQ_RECORDS_PWD}");
    const std::string away = test::withAttribute(connection, "Port", "1");
    const ProcessOptions options{"", 60s, {"KQ_RECORDS_PWD=" + password}};

    const TempFolder folder;
    SimProcess sim(folder.path(), {"--family", "251", "--replace-after", "1300"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    const std::string recipe = folder.file("line.toml");
    std::ofstream(recipe, std::ios::binary)
        << "station = \"line-db\"\nhex-file = \"" << sample251().hexPath << "\"\nsha256 = \""
        << sha256Hex(readAll(sample251().hexPath)) << "\"\nport = \"" << sim.flasherPort()
        << "\"\nlog-dir = \"records\"\nrecords-db = \"" << connection << "\"\n";
    const std::string records = folder.file("records");
    auto inDatabase = [&db] {
        std::vector<std::string> ids = db.column("SELECT run_id FROM upgrade_runs");
        std::sort(ids.begin(), ids.end());
        return ids;
    };
    auto journal = [&] { return runIds(lines(readAll(records + "/records.jsonl"))); };

    const ProcessResult first = runFlasher({"station", "--cycles", "2", recipe}, options);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(journal().size(), 2u);
    EXPECT_EQ(inDatabase(), journal());
    EXPECT_EQ(everythingWritten(first, records).find(password), std::string::npos) << "the password leaked";

    const ProcessResult awayRun = runFlasher({"station", "--cycles", "2", "--records-db", away, recipe}, options);
    EXPECT_EQ(awayRun.exitCode, 0) << "the cycles succeeded; their records only wait: " << awayRun.err;
    EXPECT_NE(awayRun.err.find("2 records wait in the outbox"), std::string::npos) << awayRun.err;
    EXPECT_NE(awayRun.out.find("records waiting: 2\n"), std::string::npos) << "the state's count: " << awayRun.out;
    EXPECT_EQ(inDatabase().size(), 2u);

    const ProcessResult next = runFlasher({"station", "--cycles", "1", recipe}, options);
    ASSERT_EQ(next.exitCode, 0) << next.err;
    EXPECT_EQ(journal().size(), 5u);
    EXPECT_EQ(inDatabase(), journal()) << next.err;
    const ProcessResult byStation =
        runFlasher({"records", "--records-db", connection, "--station", "line-db", "--json"}, options);
    EXPECT_EQ(byStation.exitCode, 0) << byStation.err;
    EXPECT_EQ(runIds(lines(byStation.out)), journal()) << byStation.out;
    ASSERT_TRUE(sim.stop());
}

}  // namespace
}  // namespace kq::testing
