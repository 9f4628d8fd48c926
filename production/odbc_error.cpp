#include "production/odbc_error.h"

namespace kq::production {

namespace {
constexpr long SqlServerDuplicateKey = 2627;    // primary key or unique constraint
constexpr long SqlServerDuplicateIndex = 2601;  // unique index
constexpr long MySqlDuplicateEntry = 1062;
}  // namespace

std::string DbError::text() const {
    std::string text = operation + ": " + (message.empty() ? "failed" : message);
    if (!sqlState.empty()) text += " (SQLSTATE " + sqlState + ")";
    return text;
}

bool DbError::isDuplicateKey() const {
    if (sqlState == "23505") return true;
    return sqlState == "23000" && (nativeError == SqlServerDuplicateKey || nativeError == SqlServerDuplicateIndex ||
                                   nativeError == MySqlDuplicateEntry);
}

bool DbError::isConnectionFailure() const {
    return sqlState.compare(0, 2, "08") == 0 || sqlState == "HYT00" || sqlState == "HYT01" ||
           sqlState.compare(0, 3, "57P") == 0;  // PostgreSQL: the server shut down
}

DbError dbFailure(std::string operation, std::string message) {
    DbError error;
    error.failed = true;
    error.operation = std::move(operation);
    error.message = std::move(message);
    return error;
}

}  // namespace kq::production
