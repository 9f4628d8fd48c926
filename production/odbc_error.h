// What went wrong in a database call, as our own value: the ODBC
// diagnostics (SQLSTATE, the driver's native code and its words) turned
// into one plain struct where they enter. No exception crosses the ODBC layer.
#pragma once

#include <string>

namespace kq::production {

struct DbError {
    bool failed = false;
    std::string operation;  // what was being done: "connect", "prepare", "execute", ...
    std::string sqlState;   // the first diagnostic's SQLSTATE ("08001", "23505"); "" when the driver gave none
    long nativeError = 0;   // the database's own code for it (SQL Server 2627, MySQL 1062, ...)
    std::string message;    // the driver's words, masked of the connection's secrets

    explicit operator bool() const { return failed; }

    // "operation: message (SQLSTATE xxxxx)", for a log line or stderr.
    std::string text() const;
    // A row with that key is already there: 23505, or 23000 with SQL
    // Server's or MySQL's code for a duplicate key.
    bool isDuplicateKey() const;
    // Any refusal for the data's sake (class 23): a duplicate key among them.
    bool isIntegrityViolation() const { return sqlState.compare(0, 2, "23") == 0; }
    // The connection is gone or never came (class 08, or a time-out).
    bool isConnectionFailure() const;
};

// A failure of our own making (no driver involved).
DbError dbFailure(std::string operation, std::string message);

}  // namespace kq::production
