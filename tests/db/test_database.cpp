#include "test_database.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace kq::test {

using production::DbError;
using production::OdbcConnection;
using production::OdbcStatement;

namespace {

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Runs sql on a fresh connection of connection (autocommit: CREATE DATABASE needs it).
DbError runOnce(const std::string& connection, const std::string& sql) {
    OdbcConnection link;
    if (DbError error = link.open(production::expandConnectionString(connection), 10)) return error;
    return link.executeOnce(sql);
}

}  // namespace

std::string clusterConnection(std::string& reason) {
    if (const char* given = std::getenv("KQ_RECORDS_TEST_DB"); given != nullptr && *given != '\0') return given;
    const char* state = std::getenv("KQ_PG_TEST_STATE");
    if (state == nullptr || *state == '\0') {
        reason = "no database server: run through ctest (its fixture starts a cluster) or set KQ_RECORDS_TEST_DB";
        return "";
    }
    std::ifstream file(std::string(state) + "/connection");
    std::string line;
    if (!std::getline(file, line) || line.empty()) {
        reason = "the test cluster did not start (PostgreSQL cannot be installed here?): nothing in " +
                 std::string(state) + "/connection";
        return "";
    }
    return line;
}

std::string withAttribute(const std::string& connection, const std::string& key, const std::string& value) {
    std::string kept;
    std::stringstream parts(connection);
    for (std::string part; std::getline(parts, part, ';');) {
        if (part.empty() || lower(part).rfind(lower(key) + "=", 0) == 0) continue;
        kept += part + ";";
    }
    return kept + key + "=" + value;
}

std::string attributeOf(const std::string& connection, const std::string& key) {
    std::stringstream parts(connection);
    for (std::string part; std::getline(parts, part, ';');) {
        if (lower(part).rfind(lower(key) + "=", 0) == 0) return part.substr(key.size() + 1);
    }
    return "";
}

bool TestDatabase::create(const std::string& cluster, std::string& reason) {
    std::random_device random;
    name_ = "kq_test_" + std::to_string(random()) + std::to_string(random() % 1000);
    if (DbError error = runOnce(cluster, "CREATE DATABASE " + name_)) {
        reason = error.text();
        name_.clear();
        return false;
    }
    cluster_ = cluster;
    text_ = withAttribute(cluster, "Database", name_);
    return true;
}

TestDatabase::~TestDatabase() {
    if (!name_.empty()) runOnce(cluster_, "DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
}

std::vector<std::string> TestDatabase::column(const std::string& sql) {
    std::vector<std::string> values;
    OdbcConnection link;
    OdbcStatement statement;
    DbError error = link.open(connection(), 10);
    if (!error) error = link.prepare(sql, statement);
    if (!error) error = statement.execute();
    while (!error) {
        bool hasRow = false;
        error = statement.fetch(hasRow);
        if (error || !hasRow) break;
        std::optional<std::string> value;
        error = statement.text(1, value);
        values.push_back(value.value_or("<null>"));
    }
    EXPECT_FALSE(error) << sql << ": " << error.text();
    return values;
}

void TestDatabase::execute(const std::string& sql) {
    OdbcConnection link;
    DbError error = link.open(connection(), 10);
    if (!error) error = link.executeOnce(sql);
    EXPECT_FALSE(error) << sql << ": " << error.text();
}

}  // namespace kq::test
