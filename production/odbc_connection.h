// A thin layer of our own over the ODBC C API: a connection (with its
// environment) and its statements, each owning its handles; every call
// gives a DbError, never an exception. SQL reaches the driver only as
// statements prepared once, values only as bound parameters.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "production/odbc_connection_string.h"
#include "production/odbc_error.h"

namespace kq::production {

// One bound parameter value; a null still has its type, which some drivers
// send to the server with it.
struct SqlParameter {
    enum Type { Text, Integer, Double };
    Type type = Text;
    bool null = true;
    std::string text;
    long long integer = 0;
    double number = 0;

    static SqlParameter ofText(std::string value) { return {Text, false, std::move(value), 0, 0}; }
    static SqlParameter ofInteger(long long value) { return {Integer, false, {}, value, 0}; }
    static SqlParameter ofDouble(double value) { return {Double, false, {}, 0, value}; }
    static SqlParameter nullOf(Type type) { return {type, true, {}, 0, 0}; }
};

struct OdbcHandles;  // the environment and connection handles, shared with the statements

class OdbcStatement {
public:
    OdbcStatement();
    ~OdbcStatement();
    OdbcStatement(OdbcStatement&&) noexcept;
    OdbcStatement& operator=(OdbcStatement&&) noexcept;
    OdbcStatement(const OdbcStatement&) = delete;
    OdbcStatement& operator=(const OdbcStatement&) = delete;

    bool prepared() const { return handle_ != nullptr; }

    // Binds parameters (one per '?', in order) and executes. A result set
    // that is still open from the last execution is closed first.
    DbError execute(std::span<const SqlParameter> parameters = {});
    // Moves to the next row of the result; hasRow false at its end.
    DbError fetch(bool& hasRow);
    // The value of a column (from 1) of the current row; nullopt for NULL.
    DbError text(int column, std::optional<std::string>& value);
    DbError integer(int column, std::optional<long long>& value);
    DbError number(int column, std::optional<double>& value);
    // Closes the result set so that the statement can run again.
    DbError closeResult();
    // Rows that the last execution changed.
    long long changedRows();
    // At most rows rows per result (0 = all), for the driver to stop at.
    DbError limitRows(size_t rows);
    // Each execution may take at most seconds (0 = no limit), where the driver honours it.
    DbError limitTime(int seconds);

private:
    friend class OdbcConnection;
    std::shared_ptr<OdbcHandles> handles_;  // keeps the connection until the statement is freed
    void* handle_ = nullptr;
    struct Bound;
    std::vector<Bound> bound_;  // the parameter buffers of the last execution
};

class OdbcConnection {
public:
    OdbcConnection();
    ~OdbcConnection();
    OdbcConnection(OdbcConnection&&) noexcept;
    OdbcConnection& operator=(OdbcConnection&&) noexcept;
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    // Connects through the driver manager with an expanded connection string,
    // waiting at most loginTimeoutSeconds for the server (when the driver
    // honours it). Error messages are masked with the string's secrets.
    DbError open(const ExpandedConnection& connection, int loginTimeoutSeconds);
    bool isOpen() const { return handles_ != nullptr; }
    // Lets go of the connection; it ends once its last statement is gone.
    void close();

    DbError prepare(std::string_view sql, OdbcStatement& statement);
    // Runs one statement without parameters or result (a CREATE, say).
    DbError executeOnce(std::string_view sql);
    DbError setAutocommit(bool on);
    DbError commit();
    DbError rollback();

    // Whether a table of that name is there (the catalog, through SQLTables).
    DbError tableExists(std::string_view name, bool& exists);
    // The table's column names, in lower case (SQLColumns).
    DbError columnNames(std::string_view table, std::vector<std::string>& names);

    // The database's name for itself ("PostgreSQL", "Microsoft SQL Server", "MySQL").
    const std::string& databaseName() const { return databaseName_; }
    // The character that quotes identifiers ('"', or '`' for MySQL); "" when none.
    const std::string& identifierQuote() const { return identifierQuote_; }

private:
    std::shared_ptr<OdbcHandles> handles_;
    std::string databaseName_;
    std::string identifierQuote_;
};

}  // namespace kq::production
