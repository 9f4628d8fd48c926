#include "production/record_store.h"

#include <algorithm>

namespace kq::production {

RecordStore::RecordStore(std::span<const FieldDefinition> fields, StoreOptions options)
    : fields_(fields), options_(options) {}

void RecordStore::close() {
    selects_.clear();
    insert_ = OdbcStatement();
    exists_ = OdbcStatement();
    schema_.reset();
    connection_.close();
}

DbError RecordStore::open(const ExpandedConnection& connection) {
    close();
    if (DbError error = connection_.open(connection, options_.loginTimeoutSeconds)) return error;
    auto schema = std::make_unique<StoreSchema>(fields_, options_.columns, connection_.identifierQuote());
    if (const std::string problem = schema->check(); !problem.empty()) {
        close();
        return dbFailure("schema", problem);
    }
    DbError error = options_.makeSchema ? checkSchema(*schema) : DbError{};
    if (!error) error = connection_.prepare(schema->insertRecord(), insert_);
    if (!error) error = connection_.prepare(schema->recordExists(), exists_);
    if (!error) error = insert_.limitTime(options_.queryTimeoutSeconds);
    if (error) {
        close();
        return error;
    }
    schema_ = std::move(schema);
    return {};
}

DbError RecordStore::makeSchema(const StoreSchema& schema) {
    // One transaction where the database has them for DDL (PostgreSQL, SQL
    // Server): a second station that makes the tables at the same moment
    // fails whole and finds them made.
    if (DbError error = connection_.setAutocommit(false)) return error;
    DbError error = connection_.executeOnce(schema.createTable());
    for (const std::string& index : schema.createIndexes()) {
        if (!error) error = connection_.executeOnce(index);
    }
    bool versionTable = false;
    if (!error) error = connection_.tableExists(SchemaVersionTable, versionTable);
    if (!error && !versionTable) error = connection_.executeOnce(schema.createVersionTable());
    OdbcStatement version;
    if (!error) error = connection_.prepare(schema.insertVersion(), version);
    const SqlParameter number = SqlParameter::ofInteger(SchemaVersion);
    if (!error) error = version.execute({&number, 1});
    if (!error) error = connection_.commit();
    if (error) connection_.rollback();
    DbError back = connection_.setAutocommit(true);
    return error ? error : back;
}

DbError RecordStore::checkSchema(const StoreSchema& schema) {
    bool table = false;
    if (DbError error = connection_.tableExists(RecordsTable, table)) return error;
    if (!table) {
        DbError made = makeSchema(schema);
        if (!made) return {};
        // Made by someone else meanwhile? Then go on with theirs.
        if (DbError error = connection_.tableExists(RecordsTable, table)) return made;
        if (!table) return made;
    }
    bool versionTable = false;
    if (DbError error = connection_.tableExists(SchemaVersionTable, versionTable)) return error;
    if (versionTable) {
        OdbcStatement select;
        if (DbError error = connection_.prepare(schema.selectVersion(), select)) return error;
        if (DbError error = select.execute()) return error;
        bool hasRow = false;
        std::optional<long long> version;
        if (DbError error = select.fetch(hasRow)) return error;
        if (hasRow) {
            if (DbError error = select.integer(1, version)) return error;
        }
        if (version && *version > SchemaVersion)
            return dbFailure("schema", "the database's tables are of version " + std::to_string(*version) +
                                           ", newer than this program's " + std::to_string(SchemaVersion));
    }
    // Fields new since the table was made get their columns.
    std::vector<std::string> present;
    if (DbError error = connection_.columnNames(RecordsTable, present)) return error;
    for (const FieldDefinition* field : schema.columnFields()) {
        if (std::find(present.begin(), present.end(), field->name) != present.end()) continue;
        if (DbError error = connection_.executeOnce(schema.addColumn(*field))) return error;
    }
    return {};
}

StoreInsert RecordStore::insert(const RecordRow& row) {
    StoreInsert result;
    if (!schema_) {
        result.error = dbFailure("insert", "not connected");
        return result;
    }
    const std::vector<SqlParameter> parameters = schema_->insertParameters(row);
    result.error = insert_.execute(parameters);
    if (!result.error) {
        result.outcome = StoreInsert::Inserted;
        return result;
    }
    if (!result.error.isIntegrityViolation()) return result;
    // A duplicate key, most likely: a resend of a record that went in before.
    const SqlParameter id = SqlParameter::ofText(row.runId);
    bool there = false;
    if (!exists_.execute({&id, 1}) && !exists_.fetch(there) && there) {
        result.outcome = StoreInsert::AlreadyThere;
        result.error = {};
    }
    exists_.closeResult();
    return result;
}

namespace {

// The value of one column as its field's data; data stays empty for a NULL.
DbError readColumn(OdbcStatement& statement, int column, FieldKind kind, std::optional<FieldData>& data) {
    data.reset();
    if (kind == FieldKind::Text || kind == FieldKind::TextList) {
        std::optional<std::string> text;
        if (DbError error = statement.text(column, text)) return error;
        if (!text) return {};
        if (kind == FieldKind::Text) {
            data.emplace(std::in_place_type<std::string>, std::move(*text));
        } else if (auto list = textListOfColumn(*text)) {
            data.emplace(std::in_place_type<std::vector<std::string>>, std::move(*list));
        }
        return {};
    }
    if (kind == FieldKind::Number) {
        std::optional<double> number;
        if (DbError error = statement.number(column, number)) return error;
        if (number) data.emplace(std::in_place_type<double>, *number);
        return {};
    }
    std::optional<long long> number;
    if (DbError error = statement.integer(column, number)) return error;
    if (number && kind == FieldKind::Flag) data.emplace(std::in_place_type<bool>, *number != 0);
    if (number && kind == FieldKind::Integer) data.emplace(std::in_place_type<long long>, *number);
    return {};
}

}  // namespace

DbError RecordStore::readRow(OdbcStatement& statement, RecordRow& row) {
    std::optional<std::string> id;
    if (DbError error = statement.text(1, id)) return error;
    row.runId = id.value_or("");
    int column = 2;
    for (const FieldDefinition* field : schema_->columnFields()) {
        std::optional<FieldData> data;
        if (DbError error = readColumn(statement, column++, field->kind, data)) return error;
        if (data) row.values.push_back(FieldValue{field, std::move(*data)});
    }
    return {};
}

RecordQuery RecordStore::query(const RecordFilter& filter) {
    RecordQuery query;
    query.error = checkFilter(fields_, filter, options_.columns);
    if (!query.error.empty()) return query;
    if (!schema_) {
        query.error = "not connected to the records database";
        return query;
    }
    const unsigned shape = StoreSchema::filterShape(filter);
    auto found = selects_.find(shape);
    if (found == selects_.end()) {
        OdbcStatement select;
        DbError error = connection_.prepare(schema_->selectRecords(filter), select);
        if (!error) error = select.limitTime(options_.queryTimeoutSeconds);
        if (error) {
            query.error = error.text();
            return query;
        }
        found = selects_.emplace(shape, std::move(select)).first;
    }
    OdbcStatement& select = found->second;
    DbError error = select.limitRows(filter.limit);
    if (!error) error = select.execute(schema_->selectParameters(filter));
    while (!error && (filter.limit == 0 || query.rows.size() < filter.limit)) {
        bool hasRow = false;
        error = select.fetch(hasRow);
        if (error || !hasRow) break;
        RecordRow row;
        error = readRow(select, row);
        if (!error) query.rows.push_back(std::move(row));
    }
    select.closeResult();
    if (error) {
        query.error = error.text();
        query.rows.clear();
        return query;
    }
    query.ok = true;
    return query;
}

}  // namespace kq::production
