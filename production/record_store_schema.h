// The database's tables, made from the field list: upgrade_runs with the run
// id as primary key and one column per field, its indexes, and
// schema_version. Portable SQL: PostgreSQL, SQL Server and MySQL take every
// statement and type. Names come only from the field list (checked to be
// lower case, digits and '_') and are quoted with the driver's quote; values
// are only ever bound parameters.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "production/odbc_connection.h"
#include "production/record_field.h"
#include "production/record_query.h"
#include "production/records_journal_line.h"

namespace kq::production {

constexpr std::string_view RecordsTable = "upgrade_runs";
constexpr std::string_view SchemaVersionTable = "schema_version";
constexpr long long SchemaVersion = 1;          // the tables' layout as this program makes them
constexpr size_t TextColumnChars = 255;         // a Text column's VARCHAR length (MySQL indexes up to 768)
constexpr size_t TextListColumnBytes = 60000;   // a TextList's JSON in the database (MySQL's TEXT holds 65535)
constexpr size_t MaxFieldNameChars = 60;        // identifiers of every database fit in 64

// The column type of a field's kind.
std::string_view columnType(FieldKind kind);

// True for a name that may be a column: lower case letters, digits and '_',
// starting with a letter.
bool isColumnName(std::string_view name);

// The statements of the schema for a field list, with one identifier quote.
class StoreSchema {
public:
    StoreSchema(std::span<const FieldDefinition> fields, RecordColumns columns, std::string quote);

    // "" when every field name may be a column; else the reason.
    std::string check() const;

    // The fields that are columns (all but a run id field), in list order.
    const std::vector<const FieldDefinition*>& columnFields() const { return columns_; }

    std::string createTable() const;
    std::vector<std::string> createIndexes() const;  // only for the indexed fields in the list
    std::string createVersionTable() const;
    std::string insertVersion() const;  // one parameter: the version
    std::string selectVersion() const;
    std::string addColumn(const FieldDefinition& field) const;
    std::string insertRecord() const;   // parameters: insertParameters
    std::string recordExists() const;   // one parameter: the run id
    std::string selectRecords(const RecordFilter& filter) const;  // parameters: selectParameters

    // The values of row for insertRecord, each typed by its column; an absent
    // fact is a NULL. Texts longer than their column are cut at a character
    // boundary (the journal keeps the whole).
    std::vector<SqlParameter> insertParameters(const RecordRow& row) const;
    std::vector<SqlParameter> selectParameters(const RecordFilter& filter) const;

    // Which statement of selectRecords a filter needs: one bit per condition.
    static unsigned filterShape(const RecordFilter& filter);

private:
    std::string name(std::string_view identifier) const;

    std::span<const FieldDefinition> fields_;
    std::vector<const FieldDefinition*> columns_;
    RecordColumns names_;
    std::string quote_;
};

// A Text value as its column holds it: at most TextColumnChars characters.
std::string clippedText(std::string_view text);
// A TextList as its column holds it: a JSON array of at most
// TextListColumnBytes bytes; when the list is longer, its last items give way
// to one that says how many are left out.
std::string clippedTextList(const std::vector<std::string>& items);
// The list of a TextList column's JSON; nullopt when it is not a JSON array of texts.
std::optional<std::vector<std::string>> textListOfColumn(std::string_view json);

}  // namespace kq::production
