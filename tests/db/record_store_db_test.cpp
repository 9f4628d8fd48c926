#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "production/record_store.h"
#include "support/record_query_cases.h"
#include "support/record_sample_fields.h"
#include "test_database.h"

namespace kq::production {
namespace {

using test::caseRunId;
using test::sampleFields;
using test::sampleRecord;

TEST(RecordStoreDb, MakesTheSchemaOnceWithItsIndexesAndVersion) {
    KQ_WITH_TEST_DATABASE(db);
    {
        RecordStore store(sampleFields());
        ASSERT_FALSE(store.open(db.connection())) << store.open(db.connection()).text();
        EXPECT_EQ(store.databaseName(), "PostgreSQL");
    }
    RecordStore again(sampleFields());  // the tables are there: taken as they are
    const DbError error = again.open(db.connection());
    ASSERT_FALSE(error) << error.text();

    std::vector<std::string> expected = {"run_id"};
    for (const FieldDefinition& field : sampleFields()) expected.emplace_back(field.name);
    EXPECT_EQ(db.column("SELECT column_name FROM information_schema.columns WHERE table_name = 'upgrade_runs' "
                        "ORDER BY ordinal_position"),
              expected);
    EXPECT_EQ(db.column("SELECT data_type FROM information_schema.columns WHERE table_name = 'upgrade_runs' AND "
                        "column_name IN ('run_id','baud','duration_s','verified','log') ORDER BY column_name"),
              (std::vector<std::string>{"bigint", "double precision", "text", "character varying", "smallint"}));
    EXPECT_EQ(db.column("SELECT indexdef FROM pg_indexes WHERE tablename = 'upgrade_runs' ORDER BY indexname"),
              (std::vector<std::string>{
                  "CREATE INDEX upgrade_runs_by_module ON public.upgrade_runs USING btree (module_address, started)",
                  "CREATE INDEX upgrade_runs_by_sha256 ON public.upgrade_runs USING btree (hex_sha256, started)",
                  "CREATE INDEX upgrade_runs_by_started ON public.upgrade_runs USING btree (started)",
                  "CREATE UNIQUE INDEX upgrade_runs_pkey ON public.upgrade_runs USING btree (run_id)",
              }));
    EXPECT_EQ(db.column("SELECT version FROM schema_version"), std::vector<std::string>{"1"});
}

TEST(RecordStoreDb, ANewFieldGetsItsColumnAndANewerSchemaIsRefused) {
    KQ_WITH_TEST_DATABASE(db);
    const auto fields = sampleFields();
    {
        RecordStore older(fields.first(fields.size() - 3));  // a program that knew fewer facts
        ASSERT_FALSE(older.open(db.connection()));
        ASSERT_EQ(older.insert(sampleRecord(caseRunId(1), "2026-05-01 08:00:00.000", "1")).outcome,
                  StoreInsert::Inserted);
    }
    RecordStore newer(fields);
    ASSERT_FALSE(newer.open(db.connection()));
    EXPECT_EQ(newer.insert(sampleRecord(caseRunId(2), "2026-05-01 09:00:00.000", "1")).outcome, StoreInsert::Inserted);
    EXPECT_EQ(db.column("SELECT COALESCE(image_crc16, '-') FROM upgrade_runs ORDER BY run_id"),
              (std::vector<std::string>{"-", "0x1D0F"}));

    db.execute("INSERT INTO schema_version (version) VALUES (2)");
    RecordStore old(fields);
    const DbError refused = old.open(db.connection());
    ASSERT_TRUE(refused);
    EXPECT_NE(refused.text().find("version 2"), std::string::npos) << refused.text();
}

TEST(RecordStoreDb, InsertKeepsEveryKindAndADuplicateCountsAsThere) {
    KQ_WITH_TEST_DATABASE(db);
    RecordStore store(sampleFields());
    ASSERT_FALSE(store.open(db.connection()));
    RecordRow row = sampleRecord(caseRunId(1), "2026-05-01 08:00:00.000", "000000000042");
    row.values.erase(row.values.begin() + 3);  // no port: a NULL
    const StoreInsert first = store.insert(row);
    ASSERT_EQ(first.outcome, StoreInsert::Inserted) << first.error.text();
    const StoreInsert again = store.insert(row);
    EXPECT_EQ(again.outcome, StoreInsert::AlreadyThere) << again.error.text();
    EXPECT_EQ(db.column("SELECT COUNT(*) FROM upgrade_runs"), std::vector<std::string>{"1"});

    RecordFilter filter;
    filter.moduleAddress = "000000000042";
    const RecordQuery answer = store.query(filter);
    ASSERT_TRUE(answer.ok) << answer.error;
    ASSERT_EQ(answer.rows.size(), 1u);
    EXPECT_EQ(recordJsonLine(answer.rows[0]), recordJsonLine(row));  // Chinese log lines, a double, a flag
}

TEST(RecordStoreDb, TextsLongerThanTheirColumnsAreCutNotRefused) {
    KQ_WITH_TEST_DATABASE(db);
    RecordStore store(sampleFields());
    ASSERT_FALSE(store.open(db.connection()));
    RecordRow row = sampleRecord(caseRunId(1), "2026-05-01 08:00:00.000", "1");
    std::string longPort;
    for (int i = 0; i < 300; ++i) longPort += "端";  // 300 characters, 900 bytes
    std::vector<std::string> longLog(5000, std::string(40, 'x'));
    for (auto& value : row.values) {
        if (value.definition->name == "port") value.data = longPort;
        if (value.definition->name == "log") value.data = longLog;
    }
    const StoreInsert inserted = store.insert(row);
    ASSERT_EQ(inserted.outcome, StoreInsert::Inserted) << inserted.error.text();
    EXPECT_EQ(db.column("SELECT char_length(port) FROM upgrade_runs"), std::vector<std::string>{"255"});
    const RecordQuery answer = store.query({});
    ASSERT_EQ(answer.rows.size(), 1u);
    const auto& log = std::get<std::vector<std::string>>(answer.rows[0].find("log")->data);
    EXPECT_LT(log.size(), longLog.size());
    EXPECT_EQ(log.back(), "(" + std::to_string(longLog.size() - log.size() + 1) + " more in the journal)");
}

TEST(RecordStoreDb, AnswersTheSharedQuestionsAsTheJournalsDo) {
    KQ_WITH_TEST_DATABASE(db);
    RecordStore store(sampleFields());
    ASSERT_FALSE(store.open(db.connection()));
    for (const RecordRow& row : test::queryCaseRecords()) ASSERT_EQ(store.insert(row).outcome, StoreInsert::Inserted);
    for (const auto& question : test::queryCases()) {
        SCOPED_TRACE(question.name);
        const RecordQuery answer = store.query(question.filter);
        ASSERT_TRUE(answer.ok) << answer.error;
        EXPECT_EQ(test::runIdsOf(answer.rows), test::caseRunIds(question.expected));
    }
}

TEST(RecordStoreDb, TheModuleQuestionReadsItsIndex) {
    KQ_WITH_TEST_DATABASE(db);
    RecordStore store(sampleFields());
    ASSERT_FALSE(store.open(db.connection()));
    db.execute("INSERT INTO upgrade_runs (run_id, module_address, started) SELECT md5(g::text), "
               "lpad((g % 5000)::text, 12, '0'), '2026-05-01 08:00:00.000' FROM generate_series(1, 20000) g");
    db.execute("ANALYZE upgrade_runs");
    const auto plan = db.column(
        "EXPLAIN SELECT run_id FROM upgrade_runs WHERE module_address = '000000000042' "
        "ORDER BY CASE WHEN started IS NULL THEN 1 ELSE 0 END, started DESC, run_id DESC");
    std::string text;
    for (const auto& line : plan) text += line + "\n";
    EXPECT_NE(text.find("upgrade_runs_by_module"), std::string::npos) << text;
}

TEST(RecordStoreDb, AWrongPasswordIsReportedWithoutIt) {
    KQ_WITH_TEST_DATABASE(db);
    const std::string wrong = test::withAttribute(db.text(), "Pwd", "Wr0ngButSecret");
    RecordStore store(sampleFields());
    const DbError error = store.open(expandConnectionString(wrong));
    ASSERT_TRUE(error);
    EXPECT_EQ(error.text().find("Wr0ngButSecret"), std::string::npos) << error.text();
    EXPECT_EQ(maskConnectionString(wrong).find("Wr0ngButSecret"), std::string::npos);
}

TEST(RecordStoreDb, ThePasswordCanComeFromTheEnvironment) {
    KQ_WITH_TEST_DATABASE(db);
    const std::string password = test::attributeOf(db.text(), "Pwd");
    const std::string viaEnvironment = test::withAttribute(db.text(), "Pwd", "${KQ_TEST_RECORDS_PWD}");
    const auto lookup = [&](const std::string& name) -> std::optional<std::string> {
        if (name == "KQ_TEST_RECORDS_PWD") return password;
        return std::nullopt;
    };
    RecordStore store(sampleFields());
    const DbError error = store.open(expandConnectionString(viaEnvironment, lookup));
    EXPECT_FALSE(error) << error.text();
}

}  // namespace
}  // namespace kq::production
