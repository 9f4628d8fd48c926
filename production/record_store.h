// The records database: a connection through ODBC, the schema made when
// missing, each record inserted in its own transaction, and the questions
// of record_query.h answered with indexed, bound statements. One store
// serves one thread.
#pragma once

#include <map>
#include <memory>
#include <span>
#include <string>

#include "production/odbc_connection.h"
#include "production/odbc_connection_string.h"
#include "production/record_field.h"
#include "production/record_query.h"
#include "production/record_store_schema.h"
#include "production/records_journal_line.h"

namespace kq::production {

struct StoreOptions {
    RecordColumns columns;
    int loginTimeoutSeconds = 10;  // waiting for the server to answer a connection
    int queryTimeoutSeconds = 30;  // one statement
    // Make the tables when missing and add missing columns (a station, a
    // push). A program that only asks questions leaves the catalog alone:
    // one connection and the question.
    bool makeSchema = true;
};

struct StoreInsert {
    enum Outcome {
        Inserted,      // the row is in, committed
        AlreadyThere,  // a row with that run id was there already: sent before
        Failed,        // see error; the row is not in
    };
    Outcome outcome = Failed;
    DbError error;
};

class RecordStore {
public:
    explicit RecordStore(std::span<const FieldDefinition> fields, StoreOptions options = {});

    // Connects, makes the tables and indexes when missing (and adds the
    // columns of fields the table lacks) unless options.makeSchema is false,
    // and prepares the insert. Refuses a database whose schema version is
    // newer than this program's.
    DbError open(const ExpandedConnection& connection);
    bool isOpen() const { return connection_.isOpen(); }
    void close();
    // The database's name for itself, once open.
    const std::string& databaseName() const { return connection_.databaseName(); }

    // Inserts one record in its own transaction. A refusal for a duplicate
    // key is checked against the table: when the run id is there, the record
    // counts as already sent.
    StoreInsert insert(const RecordRow& row);

    // Answers filter (record_query.h), newest first.
    RecordQuery query(const RecordFilter& filter);

private:
    DbError makeSchema(const StoreSchema& schema);
    DbError checkSchema(const StoreSchema& schema);
    DbError readRow(OdbcStatement& statement, RecordRow& row);

    std::span<const FieldDefinition> fields_;
    StoreOptions options_;
    std::unique_ptr<StoreSchema> schema_;
    // The statements keep the connection's handles alive until they are gone.
    OdbcConnection connection_;
    OdbcStatement insert_;
    OdbcStatement exists_;
    std::map<unsigned, OdbcStatement> selects_;  // by filter shape, each prepared once
};

}  // namespace kq::production
