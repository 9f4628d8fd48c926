#include "production/record_store_schema.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace kq::production {

namespace {

using Json = nlohmann::json;

// The conditions of a filter, one bit each, in the order of their parameters.
enum FilterBit : unsigned {
    ByModule = 1u << 0,
    BySha256 = 1u << 1,
    ByStation = 1u << 2,
    ByResult = 1u << 3,
    Since = 1u << 4,
    Until = 1u << 5,
};

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::string dumpJson(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

}  // namespace

std::string_view columnType(FieldKind kind) {
    switch (kind) {
    case FieldKind::Text:
        return "VARCHAR(255)";
    case FieldKind::Integer:
        return "BIGINT";
    case FieldKind::Number:
        return "DOUBLE PRECISION";
    case FieldKind::Flag:
        return "SMALLINT";
    case FieldKind::TextList:
        return "TEXT";
    }
    return "TEXT";
}
static_assert(TextColumnChars == 255, "columnType's VARCHAR length");

bool isColumnName(std::string_view name) {
    if (name.empty() || name.size() > MaxFieldNameChars || !(name[0] >= 'a' && name[0] <= 'z')) return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; });
}

StoreSchema::StoreSchema(std::span<const FieldDefinition> fields, RecordColumns columns, std::string quote)
    : fields_(fields), names_(columns), quote_(std::move(quote)) {
    for (const FieldDefinition& field : fields_) {
        if (!isRunIdField(field)) columns_.push_back(&field);
    }
}

std::string StoreSchema::check() const {
    for (const FieldDefinition& field : fields_) {
        if (!isColumnName(field.name)) return "the field name \"" + std::string(field.name) + "\" cannot be a column";
    }
    for (size_t i = 0; i < columns_.size(); ++i) {
        for (size_t j = i + 1; j < columns_.size(); ++j) {
            if (columns_[i]->name == columns_[j]->name)
                return "the field " + std::string(columns_[i]->name) + " is listed twice";
        }
    }
    return "";
}

std::string StoreSchema::name(std::string_view identifier) const { return quote_ + std::string(identifier) + quote_; }

std::string StoreSchema::createTable() const {
    std::string sql = "CREATE TABLE " + name(RecordsTable) + " (" + name(RunIdMember) + " VARCHAR(36) NOT NULL PRIMARY KEY";
    for (const FieldDefinition* field : columns_) sql += ", " + name(field->name) + " " + std::string(columnType(field->kind));
    return sql + ")";
}

std::vector<std::string> StoreSchema::createIndexes() const {
    // "Newest first" for one module or one file reads the index in order.
    const std::pair<std::string_view, std::vector<std::string_view>> indexes[] = {
        {"upgrade_runs_by_module", {names_.moduleAddress, names_.started}},
        {"upgrade_runs_by_sha256", {names_.sha256, names_.started}},
        {"upgrade_runs_by_started", {names_.started}},
    };
    const auto isColumn = [&](std::string_view column) {
        return std::any_of(columns_.begin(), columns_.end(), [&](const FieldDefinition* f) { return f->name == column; });
    };
    std::vector<std::string> statements;
    for (const auto& [index, wanted] : indexes) {
        std::vector<std::string_view> present;
        std::copy_if(wanted.begin(), wanted.end(), std::back_inserter(present), isColumn);
        if (present.empty() || !isColumn(wanted.front())) continue;
        std::string sql = "CREATE INDEX " + name(index) + " ON " + name(RecordsTable) + " (";
        for (size_t i = 0; i < present.size(); ++i) sql += (i > 0 ? ", " : "") + name(present[i]);
        statements.push_back(sql + ")");
    }
    return statements;
}

std::string StoreSchema::createVersionTable() const {
    return "CREATE TABLE " + name(SchemaVersionTable) + " (" + name("version") + " BIGINT NOT NULL)";
}

std::string StoreSchema::insertVersion() const {
    return "INSERT INTO " + name(SchemaVersionTable) + " (" + name("version") + ") VALUES (?)";
}

std::string StoreSchema::selectVersion() const {
    return "SELECT MAX(" + name("version") + ") FROM " + name(SchemaVersionTable);
}

std::string StoreSchema::addColumn(const FieldDefinition& field) const {
    // "ADD name type" without COLUMN: SQL Server refuses the word, the others take either form.
    return "ALTER TABLE " + name(RecordsTable) + " ADD " + name(field.name) + " " + std::string(columnType(field.kind));
}

std::string StoreSchema::insertRecord() const {
    std::string sql = "INSERT INTO " + name(RecordsTable) + " (" + name(RunIdMember);
    std::string values = "?";
    for (const FieldDefinition* field : columns_) {
        sql += ", " + name(field->name);
        values += ", ?";
    }
    return sql + ") VALUES (" + values + ")";
}

std::string StoreSchema::recordExists() const {
    return "SELECT " + name(RunIdMember) + " FROM " + name(RecordsTable) + " WHERE " + name(RunIdMember) + " = ?";
}

unsigned StoreSchema::filterShape(const RecordFilter& filter) {
    return (filter.moduleAddress ? ByModule : 0u) | (filter.sha256 ? BySha256 : 0u) |
           (filter.station ? ByStation : 0u) | (filter.result ? ByResult : 0u) | (filter.since ? Since : 0u) |
           (filter.until ? Until : 0u);
}

std::string StoreSchema::selectRecords(const RecordFilter& filter) const {
    std::string sql = "SELECT " + name(RunIdMember);
    for (const FieldDefinition* field : columns_) sql += ", " + name(field->name);
    sql += " FROM " + name(RecordsTable);
    const unsigned shape = filterShape(filter);
    const std::pair<FilterBit, std::string> conditions[] = {
        {ByModule, name(names_.moduleAddress) + " = ?"}, {BySha256, name(names_.sha256) + " = ?"},
        {ByStation, name(names_.station) + " = ?"},      {ByResult, name(names_.result) + " = ?"},
        {Since, name(names_.started) + " >= ?"},         {Until, name(names_.started) + " < ?"},
    };
    const char* joiner = " WHERE ";
    for (const auto& [bit, condition] : conditions) {
        if ((shape & bit) == 0) continue;
        sql += joiner + condition;
        joiner = " AND ";
    }
    // Databases differ in where NULLs sort: a record without a start time goes last everywhere.
    const std::string started = name(names_.started);
    return sql + " ORDER BY CASE WHEN " + started + " IS NULL THEN 1 ELSE 0 END, " + started + " DESC, " +
           name(RunIdMember) + " DESC";
}

std::vector<SqlParameter> StoreSchema::insertParameters(const RecordRow& row) const {
    std::vector<SqlParameter> parameters;
    parameters.reserve(columns_.size() + 1);
    parameters.push_back(SqlParameter::ofText(row.runId));
    for (const FieldDefinition* field : columns_) {
        const FieldValue* value = row.find(field->name);
        const FieldData* data = value != nullptr ? &value->data : nullptr;
        switch (field->kind) {
        case FieldKind::Text: {
            const auto* text = data ? std::get_if<std::string>(data) : nullptr;
            parameters.push_back(text ? SqlParameter::ofText(clippedText(*text)) : SqlParameter::nullOf(SqlParameter::Text));
            break;
        }
        case FieldKind::Integer: {
            const auto* number = data ? std::get_if<long long>(data) : nullptr;
            parameters.push_back(number ? SqlParameter::ofInteger(*number) : SqlParameter::nullOf(SqlParameter::Integer));
            break;
        }
        case FieldKind::Number: {
            const auto* number = data ? std::get_if<double>(data) : nullptr;
            parameters.push_back(number ? SqlParameter::ofDouble(*number) : SqlParameter::nullOf(SqlParameter::Double));
            break;
        }
        case FieldKind::Flag: {
            const auto* flag = data ? std::get_if<bool>(data) : nullptr;
            parameters.push_back(flag ? SqlParameter::ofInteger(*flag ? 1 : 0) : SqlParameter::nullOf(SqlParameter::Integer));
            break;
        }
        case FieldKind::TextList: {
            const auto* list = data ? std::get_if<std::vector<std::string>>(data) : nullptr;
            parameters.push_back(list ? SqlParameter::ofText(clippedTextList(*list))
                                      : SqlParameter::nullOf(SqlParameter::Text));
            break;
        }
        }
    }
    return parameters;
}

std::vector<SqlParameter> StoreSchema::selectParameters(const RecordFilter& filter) const {
    std::vector<SqlParameter> parameters;
    for (const auto* value : {&filter.moduleAddress, &filter.sha256, &filter.station, &filter.result, &filter.since,
                              &filter.until}) {
        if (*value) parameters.push_back(SqlParameter::ofText(**value));
    }
    return parameters;
}

std::string clippedText(std::string_view text) {
    size_t chars = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        if (isContinuationByte(text[at])) continue;
        if (chars++ == TextColumnChars) return std::string(text.substr(0, at));
    }
    return std::string(text);
}

std::string clippedTextList(const std::vector<std::string>& items) {
    std::string whole = dumpJson(Json(items));
    if (whole.size() <= TextListColumnBytes) return whole;
    // Room for the note that ends a shortened list (its count has at most 20 digits).
    constexpr size_t NoteRoom = 64;
    Json kept = Json::array();
    size_t bytes = 2;  // the brackets
    for (const std::string& item : items) {
        const size_t itemBytes = dumpJson(Json(item)).size() + 1;  // with its comma
        if (bytes + itemBytes + NoteRoom > TextListColumnBytes) break;
        kept.push_back(item);
        bytes += itemBytes;
    }
    kept.push_back("(" + std::to_string(items.size() - kept.size()) + " more in the journal)");
    return dumpJson(kept);
}

std::optional<std::vector<std::string>> textListOfColumn(std::string_view json) {
    const Json parsed = Json::parse(json.begin(), json.end(), nullptr, false);
    if (!parsed.is_array()) return std::nullopt;
    std::vector<std::string> items;
    for (const Json& item : parsed) {
        if (!item.is_string()) return std::nullopt;
        items.push_back(item.get<std::string>());
    }
    return items;
}

}  // namespace kq::production
