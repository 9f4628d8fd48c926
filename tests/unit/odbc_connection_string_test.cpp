#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "production/odbc_api.h"
#include "production/odbc_connection_string.h"

namespace kq::production {
namespace {

TEST(ConnectionString, MaskingHidesEveryPasswordAndKeepsTheRest) {
    struct Row {
        const char* name;
        std::string text;
        std::string masked;
    };
    const std::vector<Row> rows = {
        {"PostgreSQL", "Driver={PostgreSQL Unicode};Server=db;Uid=kq;Pwd=s3cret;",
         "Driver={PostgreSQL Unicode};Server=db;Uid=kq;Pwd=***;"},
        {"any case, last attribute", "DSN=line;UID=kq;PWD=s3cret", "DSN=line;UID=kq;PWD=***"},
        {"Password key", "Server=db;Password=s3cret;Database=r", "Server=db;Password=***;Database=r"},
        {"braces hold ';' and '}}'", "Uid=kq;Pwd={a;b}}c=d};Server=db", "Uid=kq;Pwd=***;Server=db"},
        {"spaces around", "Uid=kq; pwd = s3cret ;Server=db", "Uid=kq; pwd = ***;Server=db"},
        {"a brace left open hides the rest", "Pwd={abc;Server=db", "Pwd=***"},
        {"every password", "Pwd=one;Password=two", "Pwd=***;Password=***"},
        {"an environment reference is no secret", "Uid=kq;Pwd=${KQ_RECORDS_PWD}", "Uid=kq;Pwd=${KQ_RECORDS_PWD}"},
        {"no password", "DSN=line", "DSN=line"},
        {"empty password", "Uid=kq;Pwd=;Server=db", "Uid=kq;Pwd=;Server=db"},
        {"a key that only ends in pwd", "OldPwd=x;Pwd=y", "OldPwd=x;Pwd=***"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(maskConnectionString(row.text), row.masked);
    }
}

TEST(ConnectionString, EnvironmentReferencesReachTheDriverBraced) {
    const std::map<std::string, std::string> environment = {
        {"KQ_PWD", "p;w}d=1"}, {"KQ_HOST", "db.factory"}, {"EMPTY", ""}};
    const EnvironmentLookup lookup = [&](const std::string& name) -> std::optional<std::string> {
        const auto found = environment.find(name);
        if (found == environment.end()) return std::nullopt;
        return found->second;
    };
    struct Row {
        const char* name;
        std::string text;
        bool ok;
        std::string driverText;
        std::vector<std::string> secrets;
    };
    const std::vector<Row> rows = {
        {"password from the environment", "Server=${KQ_HOST};Uid=kq;Pwd=${KQ_PWD}", true,
         "Server={db.factory};Uid=kq;Pwd={p;w}}d=1}", {"p;w}d=1"}},
        {"a password in the text is a secret too", "Uid=kq;Pwd={a;b}", true, "Uid=kq;Pwd={a;b}", {"a;b"}},
        {"only a whole value is a reference", "Pwd=x${KQ_PWD}", true, "Pwd=x${KQ_PWD}", {"x${KQ_PWD}"}},
        {"$${ is a literal ${", "Pwd=$${KQ_PWD}", true, "Pwd=${KQ_PWD}", {"${KQ_PWD}"}},
        {"an empty variable", "Pwd=${EMPTY}", true, "Pwd={}", {}},
        {"an unset variable is refused", "Pwd=${KQ_MISSING}", false, "", {}},
        {"a brace left open is refused", "Pwd={abc", false, "", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ExpandedConnection expanded = expandConnectionString(row.text, lookup);
        EXPECT_EQ(expanded.ok, row.ok) << expanded.error;
        if (!row.ok) {
            EXPECT_FALSE(expanded.error.empty());
            continue;
        }
        EXPECT_EQ(expanded.text, row.driverText);
        EXPECT_EQ(expanded.secrets, row.secrets);
        EXPECT_EQ(expanded.shown, maskConnectionString(row.text));
    }
    const ExpandedConnection missing = expandConnectionString("Pwd=${KQ_MISSING}", lookup);
    EXPECT_NE(missing.error.find("KQ_MISSING"), std::string::npos);
}

TEST(ConnectionString, DriverMessagesLoseTheSecretsTheyQuote) {
    EXPECT_EQ(maskSecrets("password \"hunter22\" refused for hunter22", {"hunter22"}), "password \"***\" refused for ***");
    // Too short to hide without hiding ordinary words.
    EXPECT_EQ(maskSecrets("a bad password", {"a"}), "a bad password");
}

TEST(OdbcText, Utf16RoundTripAndBrokenUtf8) {
    const std::string text = "升级成功 \xF0\x9F\x98\x80 ok";  // a character beyond 16 bits needs a surrogate pair
    const SqlWideText wide = toSqlWide(text);
    EXPECT_EQ(wide.size(), 4u + 1 + 2 + 3);
    EXPECT_EQ(fromSqlWide(wide.data(), wide.size()), text);
    const SqlWideText broken = toSqlWide("a\xFF\xE8\xB7");
    EXPECT_EQ(fromSqlWide(broken.data(), broken.size()), "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kq::production
