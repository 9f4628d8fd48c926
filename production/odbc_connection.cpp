#include "production/odbc_connection.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "production/odbc_api.h"

namespace kq::production {

namespace {

constexpr int MaxDiagnostics = 4;             // records read per failure; the first is the cause
constexpr SQLSMALLINT DiagnosticChars = 1024;  // characters of one driver message
constexpr size_t MaxConnectionChars = 4096;    // a connection string longer than this is refused
constexpr size_t LongTextChars = 4000;         // longer texts are bound as long text (SQL Server's limit)
constexpr size_t ReadPieceChars = 4096;        // characters fetched per SQLGetData call

std::string lowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

struct OdbcHandles {
    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;
    bool connected = false;
    std::vector<std::string> secrets;

    OdbcHandles() = default;
    OdbcHandles(const OdbcHandles&) = delete;
    OdbcHandles& operator=(const OdbcHandles&) = delete;
    ~OdbcHandles() {
        if (connected) SQLDisconnect(connection);
        if (connection != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, connection);
        if (environment != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, environment);
    }
};

namespace {

// The diagnostics of a failed call on handle as a DbError.
DbError diagnose(SQLSMALLINT type, SQLHANDLE handle, std::string operation, const std::vector<std::string>& secrets) {
    DbError error;
    error.failed = true;
    error.operation = std::move(operation);
    for (SQLSMALLINT record = 1; record <= MaxDiagnostics; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[DiagnosticChars] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(type, handle, record, state, &native, message, DiagnosticChars, &length);
        if (!succeeded(rc)) break;
        const size_t chars = std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), DiagnosticChars - 1);
        // One line per message, without the line breaks some drivers end theirs with.
        std::string words = fromSqlWide(message, chars);
        for (char& c : words) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        while (!words.empty() && words.back() == ' ') words.pop_back();
        if (record == 1) {
            error.sqlState = fromSqlWide(state, 5);
            error.nativeError = native;
        }
        if (!words.empty() && error.message.find(words) == std::string::npos) {
            if (!error.message.empty()) error.message += "; ";
            error.message += words;
        }
    }
    error.message = maskSecrets(error.message, secrets);
    return error;
}

DbError statementError(void* statement, std::string operation, const std::shared_ptr<OdbcHandles>& handles) {
    static const std::vector<std::string> none;
    return diagnose(SQL_HANDLE_STMT, statement, std::move(operation), handles ? handles->secrets : none);
}

}  // namespace

// ---- statements -------------------------------------------------------------

struct OdbcStatement::Bound {
    SqlWideText text;
    long long integer = 0;
    double number = 0;
    SQLLEN indicator = 0;
};

OdbcStatement::OdbcStatement() = default;

OdbcStatement::~OdbcStatement() {
    if (handle_ != nullptr) SQLFreeHandle(SQL_HANDLE_STMT, handle_);
}

OdbcStatement::OdbcStatement(OdbcStatement&& other) noexcept
    : handles_(std::move(other.handles_)), handle_(std::exchange(other.handle_, nullptr)),
      bound_(std::move(other.bound_)) {}

OdbcStatement& OdbcStatement::operator=(OdbcStatement&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr) SQLFreeHandle(SQL_HANDLE_STMT, handle_);
        handle_ = std::exchange(other.handle_, nullptr);
        handles_ = std::move(other.handles_);
        bound_ = std::move(other.bound_);
    }
    return *this;
}

DbError OdbcStatement::execute(std::span<const SqlParameter> parameters) {
    if (handle_ == nullptr) return dbFailure("execute", "the statement is not prepared");
    SQLFreeStmt(handle_, SQL_CLOSE);
    SQLFreeStmt(handle_, SQL_RESET_PARAMS);
    bound_.clear();
    bound_.resize(parameters.size());  // not resized again: the driver holds pointers into it
    for (size_t i = 0; i < parameters.size(); ++i) {
        const SqlParameter& p = parameters[i];
        Bound& b = bound_[i];
        const auto number = static_cast<SQLUSMALLINT>(i + 1);
        SQLRETURN rc = SQL_ERROR;
        switch (p.type) {
        case SqlParameter::Text: {
            if (!p.null) b.text = toSqlWide(p.text);
            const size_t chars = std::max<size_t>(b.text.size(), 1);
            b.indicator = p.null ? SQL_NULL_DATA : static_cast<SQLLEN>(b.text.size() * sizeof(SQLWCHAR));
            rc = SQLBindParameter(handle_, number, SQL_PARAM_INPUT, SQL_C_WCHAR,
                                  chars > LongTextChars ? SQL_WLONGVARCHAR : SQL_WVARCHAR, chars, 0,
                                  const_cast<SQLWCHAR*>(b.text.c_str()),
                                  static_cast<SQLLEN>(b.text.size() * sizeof(SQLWCHAR)), &b.indicator);
            break;
        }
        case SqlParameter::Integer:
            b.integer = p.integer;
            b.indicator = p.null ? SQL_NULL_DATA : 0;
            rc = SQLBindParameter(handle_, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &b.integer, 0,
                                  &b.indicator);
            break;
        case SqlParameter::Double:
            b.number = p.number;
            b.indicator = p.null ? SQL_NULL_DATA : 0;
            rc = SQLBindParameter(handle_, number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &b.number, 0,
                                  &b.indicator);
            break;
        }
        if (!succeeded(rc)) return statementError(handle_, "bind parameter " + std::to_string(i + 1), handles_);
    }
    const SQLRETURN rc = SQLExecute(handle_);
    if (!succeeded(rc) && rc != SQL_NO_DATA) return statementError(handle_, "execute", handles_);
    return {};
}

DbError OdbcStatement::fetch(bool& hasRow) {
    hasRow = false;
    const SQLRETURN rc = SQLFetch(handle_);
    if (rc == SQL_NO_DATA) return {};
    if (!succeeded(rc)) return statementError(handle_, "fetch", handles_);
    hasRow = true;
    return {};
}

DbError OdbcStatement::text(int column, std::optional<std::string>& value) {
    value.reset();
    SqlWideText whole;
    SQLWCHAR piece[ReadPieceChars];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(handle_, static_cast<SQLUSMALLINT>(column), SQL_C_WCHAR, piece, sizeof piece,
                                        &indicator);
        if (rc == SQL_NO_DATA) break;  // every piece taken
        if (!succeeded(rc)) return statementError(handle_, "read column " + std::to_string(column), handles_);
        if (indicator == SQL_NULL_DATA) return {};
        // A piece that did not fit fills the buffer but for its terminating NUL.
        const bool cut = indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof piece);
        const size_t chars = cut ? ReadPieceChars - 1 : static_cast<size_t>(indicator) / sizeof(SQLWCHAR);
        whole.append(piece, chars);
        if (!cut) break;
    }
    value = fromSqlWide(whole.data(), whole.size());
    return {};
}

DbError OdbcStatement::integer(int column, std::optional<long long>& value) {
    value.reset();
    long long number = 0;
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(handle_, static_cast<SQLUSMALLINT>(column), SQL_C_SBIGINT, &number, 0, &indicator);
    if (!succeeded(rc)) return statementError(handle_, "read column " + std::to_string(column), handles_);
    if (indicator != SQL_NULL_DATA) value = number;
    return {};
}

DbError OdbcStatement::number(int column, std::optional<double>& value) {
    value.reset();
    double number = 0;
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(handle_, static_cast<SQLUSMALLINT>(column), SQL_C_DOUBLE, &number, 0, &indicator);
    if (!succeeded(rc)) return statementError(handle_, "read column " + std::to_string(column), handles_);
    if (indicator != SQL_NULL_DATA) value = number;
    return {};
}

DbError OdbcStatement::closeResult() {
    if (handle_ == nullptr) return {};
    const SQLRETURN rc = SQLFreeStmt(handle_, SQL_CLOSE);
    if (!succeeded(rc)) return statementError(handle_, "close result", handles_);
    return {};
}

long long OdbcStatement::changedRows() {
    SQLLEN rows = 0;
    if (handle_ == nullptr || !succeeded(SQLRowCount(handle_, &rows))) return -1;
    return rows;
}

DbError OdbcStatement::limitRows(size_t rows) {
    const SQLRETURN rc =
        SQLSetStmtAttr(handle_, SQL_ATTR_MAX_ROWS, reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(rows)), 0);
    if (!succeeded(rc)) return statementError(handle_, "limit rows", handles_);
    return {};
}

DbError OdbcStatement::limitTime(int seconds) {
    const auto value = static_cast<uintptr_t>(std::max(seconds, 0));
    const SQLRETURN rc = SQLSetStmtAttr(handle_, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(value), 0);
    if (!succeeded(rc)) return statementError(handle_, "limit time", handles_);
    return {};
}

// ---- connections -------------------------------------------------------------

OdbcConnection::OdbcConnection() = default;
OdbcConnection::~OdbcConnection() = default;
OdbcConnection::OdbcConnection(OdbcConnection&&) noexcept = default;
OdbcConnection& OdbcConnection::operator=(OdbcConnection&&) noexcept = default;

namespace {

std::string infoText(SQLHDBC connection, SQLUSMALLINT what) {
    SQLWCHAR text[256] = {};
    SQLSMALLINT bytes = 0;
    if (!succeeded(SQLGetInfoW(connection, what, text, sizeof text, &bytes))) return "";
    const size_t chars = std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(bytes, 0)) / sizeof(SQLWCHAR), 255);
    return fromSqlWide(text, chars);
}

}  // namespace

DbError OdbcConnection::open(const ExpandedConnection& connection, int loginTimeoutSeconds) {
    close();
    if (!connection.ok) return dbFailure("connect", connection.error);
    const SqlWideText text = toSqlWide(connection.text);
    if (text.size() > MaxConnectionChars) return dbFailure("connect", "the connection string is too long");
    auto handles = std::make_shared<OdbcHandles>();
    handles->secrets = connection.secrets;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handles->environment)))
        return dbFailure("connect", "no ODBC environment (is the driver manager installed?)");
    if (!succeeded(SQLSetEnvAttr(handles->environment, SQL_ATTR_ODBC_VERSION,
                                 reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(SQL_OV_ODBC3)), 0)))
        return diagnose(SQL_HANDLE_ENV, handles->environment, "connect", handles->secrets);
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_DBC, handles->environment, &handles->connection)))
        return diagnose(SQL_HANDLE_ENV, handles->environment, "connect", handles->secrets);
    SQLSetConnectAttr(handles->connection, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(std::max(loginTimeoutSeconds, 1))), 0);
    const SQLRETURN rc = SQLDriverConnectW(handles->connection, nullptr, const_cast<SQLWCHAR*>(text.c_str()),
                                           static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr,
                                           SQL_DRIVER_NOPROMPT);
    if (!succeeded(rc)) return diagnose(SQL_HANDLE_DBC, handles->connection, "connect", handles->secrets);
    handles->connected = true;
    databaseName_ = infoText(handles->connection, SQL_DBMS_NAME);
    identifierQuote_ = infoText(handles->connection, SQL_IDENTIFIER_QUOTE_CHAR);
    if (identifierQuote_ == " ") identifierQuote_.clear();  // the driver's word for "no quoting"
    handles_ = std::move(handles);
    return {};
}

void OdbcConnection::close() {
    handles_.reset();
    databaseName_.clear();
    identifierQuote_.clear();
}

namespace {

DbError allocate(const std::shared_ptr<OdbcHandles>& handles, void*& handle, const std::string& operation) {
    if (!handles) return dbFailure(operation, "not connected");
    SQLHSTMT made = SQL_NULL_HSTMT;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_STMT, handles->connection, &made)))
        return diagnose(SQL_HANDLE_DBC, handles->connection, operation, handles->secrets);
    handle = made;
    return {};
}

}  // namespace

DbError OdbcConnection::prepare(std::string_view sql, OdbcStatement& statement) {
    OdbcStatement made;
    if (DbError error = allocate(handles_, made.handle_, "prepare")) return error;
    made.handles_ = handles_;
    const SqlWideText text = toSqlWide(sql);
    if (!succeeded(SQLPrepareW(made.handle_, const_cast<SQLWCHAR*>(text.c_str()), static_cast<SQLINTEGER>(text.size()))))
        return statementError(made.handle_, "prepare", handles_);
    statement = std::move(made);
    return {};
}

DbError OdbcConnection::executeOnce(std::string_view sql) {
    OdbcStatement made;
    if (DbError error = allocate(handles_, made.handle_, "execute")) return error;
    made.handles_ = handles_;
    const SqlWideText text = toSqlWide(sql);
    const SQLRETURN rc =
        SQLExecDirectW(made.handle_, const_cast<SQLWCHAR*>(text.c_str()), static_cast<SQLINTEGER>(text.size()));
    if (!succeeded(rc) && rc != SQL_NO_DATA) return statementError(made.handle_, "execute", handles_);
    return {};
}

DbError OdbcConnection::setAutocommit(bool on) {
    if (!handles_) return dbFailure("autocommit", "not connected");
    const auto value = static_cast<uintptr_t>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
    if (!succeeded(SQLSetConnectAttr(handles_->connection, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), 0)))
        return diagnose(SQL_HANDLE_DBC, handles_->connection, "autocommit", handles_->secrets);
    return {};
}

DbError OdbcConnection::commit() {
    if (!handles_) return dbFailure("commit", "not connected");
    if (!succeeded(SQLEndTran(SQL_HANDLE_DBC, handles_->connection, SQL_COMMIT)))
        return diagnose(SQL_HANDLE_DBC, handles_->connection, "commit", handles_->secrets);
    return {};
}

DbError OdbcConnection::rollback() {
    if (!handles_) return dbFailure("rollback", "not connected");
    if (!succeeded(SQLEndTran(SQL_HANDLE_DBC, handles_->connection, SQL_ROLLBACK)))
        return diagnose(SQL_HANDLE_DBC, handles_->connection, "rollback", handles_->secrets);
    return {};
}

DbError OdbcConnection::tableExists(std::string_view name, bool& exists) {
    exists = false;
    OdbcStatement catalog;
    if (DbError error = allocate(handles_, catalog.handle_, "look for table")) return error;
    catalog.handles_ = handles_;
    SqlWideText table = toSqlWide(name);
    SqlWideText type = toSqlWide("TABLE");
    if (!succeeded(SQLTablesW(catalog.handle_, nullptr, 0, nullptr, 0, table.data(), SQL_NTS, type.data(), SQL_NTS)))
        return statementError(catalog.handle_, "look for table", handles_);
    const std::string wanted = lowerCase(std::string(name));
    for (;;) {
        bool hasRow = false;
        if (DbError error = catalog.fetch(hasRow)) return error;
        if (!hasRow) return {};
        std::optional<std::string> found;
        if (DbError error = catalog.text(3, found)) return error;  // TABLE_NAME
        // The name is a pattern to the catalog ('_' matches any character): compare exactly.
        if (found && lowerCase(*found) == wanted) {
            exists = true;
            return {};
        }
    }
}

DbError OdbcConnection::columnNames(std::string_view table, std::vector<std::string>& names) {
    names.clear();
    OdbcStatement catalog;
    if (DbError error = allocate(handles_, catalog.handle_, "list columns")) return error;
    catalog.handles_ = handles_;
    SqlWideText name = toSqlWide(table);
    if (!succeeded(SQLColumnsW(catalog.handle_, nullptr, 0, nullptr, 0, name.data(), SQL_NTS, nullptr, 0)))
        return statementError(catalog.handle_, "list columns", handles_);
    const std::string wanted = lowerCase(std::string(table));
    for (;;) {
        bool hasRow = false;
        if (DbError error = catalog.fetch(hasRow)) return error;
        if (!hasRow) return {};
        std::optional<std::string> tableName;
        std::optional<std::string> column;
        if (DbError error = catalog.text(3, tableName)) return error;  // TABLE_NAME
        if (DbError error = catalog.text(4, column)) return error;     // COLUMN_NAME
        if (tableName && column && lowerCase(*tableName) == wanted) names.push_back(lowerCase(*column));
    }
}

}  // namespace kq::production
