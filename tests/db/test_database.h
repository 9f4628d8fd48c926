// A database of its own for one test, in the test cluster
// (scripts/pg-test-cluster.sh, started by the ctest fixture) or on the
// server KQ_RECORDS_TEST_DB names; dropped afterwards.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "production/odbc_connection.h"
#include "production/odbc_connection_string.h"

namespace kq::test {

// The cluster's connection string; "" when there is none (reason says why).
std::string clusterConnection(std::string& reason);

// Replaces (or adds) the attribute key of a connection string (no braces in it).
std::string withAttribute(const std::string& connection, const std::string& key, const std::string& value);
// The value of the attribute key ("" when absent).
std::string attributeOf(const std::string& connection, const std::string& key);

class TestDatabase {
public:
    TestDatabase() = default;
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;
    ~TestDatabase();

    // Makes the database on the server of cluster; false with reason when it cannot.
    bool create(const std::string& cluster, std::string& reason);

    const std::string& text() const { return text_; }
    production::ExpandedConnection connection() const { return production::expandConnectionString(text_); }

    // The first column of every row of sql, as text (NULL as "<null>"), for checks.
    std::vector<std::string> column(const std::string& sql);
    void execute(const std::string& sql);

private:
    std::string cluster_;
    std::string name_;
    std::string text_;
};

}  // namespace kq::test

// Skips the test, with the reason, when there is no database server; fails
// it when there is one but the database cannot be made.
#define KQ_WITH_TEST_DATABASE(db)                                           \
    ::kq::test::TestDatabase db;                                            \
    do {                                                                    \
        std::string kqReason;                                               \
        const std::string kqCluster = ::kq::test::clusterConnection(kqReason); \
        if (kqCluster.empty()) GTEST_SKIP() << kqReason;                    \
        ASSERT_TRUE(db.create(kqCluster, kqReason)) << kqReason;            \
    } while (false)
