#include "production/records_journal_line.h"

#include <nlohmann/json.hpp>

#include "production/run_id.h"

namespace kq::production {

namespace {

using Json = nlohmann::ordered_json;

// The JSON of one value; null when its data does not fit its kind.
Json jsonOf(const FieldValue& value) {
    switch (value.definition->kind) {
    case FieldKind::Text:
        if (const auto* text = std::get_if<std::string>(&value.data)) return *text;
        break;
    case FieldKind::Integer:
        if (const auto* number = std::get_if<long long>(&value.data)) return *number;
        break;
    case FieldKind::Number:
        if (const auto* number = std::get_if<double>(&value.data)) return *number;
        if (const auto* number = std::get_if<long long>(&value.data)) return static_cast<double>(*number);
        break;
    case FieldKind::Flag:
        if (const auto* flag = std::get_if<bool>(&value.data)) return *flag;
        break;
    case FieldKind::TextList:
        if (const auto* list = std::get_if<std::vector<std::string>>(&value.data)) return *list;
        break;
    }
    return nullptr;
}

// The value of a JSON member for its field; nullopt when the type does not fit.
std::optional<FieldData> dataOf(const FieldDefinition& field, const Json& member) {
    switch (field.kind) {
    case FieldKind::Text:
        if (member.is_string()) return member.get<std::string>();
        break;
    case FieldKind::Integer:
        if (member.is_number_integer()) return member.get<long long>();
        break;
    case FieldKind::Number:
        if (member.is_number()) return member.get<double>();
        break;
    case FieldKind::Flag:
        if (member.is_boolean()) return member.get<bool>();
        break;
    case FieldKind::TextList: {
        if (!member.is_array()) break;
        std::vector<std::string> list;
        for (const Json& item : member) {
            if (!item.is_string()) return std::nullopt;
            list.push_back(item.get<std::string>());
        }
        return list;
    }
    }
    return std::nullopt;
}

}  // namespace

const FieldValue* RecordRow::find(std::string_view name) const {
    for (const FieldValue& value : values) {
        if (value.definition != nullptr && value.definition->name == name) return &value;
    }
    return nullptr;
}

const std::string* RecordRow::text(std::string_view name) const {
    const FieldValue* value = find(name);
    return value != nullptr ? std::get_if<std::string>(&value->data) : nullptr;
}

std::string recordJsonLine(std::string_view runId, const RecordValues& values) {
    Json json = Json::object();
    json[std::string(RunIdMember)] = std::string(runId);
    for (const FieldValue& value : values) {
        if (value.definition == nullptr || isRunIdField(*value.definition)) continue;
        Json member = jsonOf(value);
        if (!member.is_null()) json[std::string(value.definition->name)] = std::move(member);
    }
    // Invalid UTF-8 is replaced rather than thrown about: a record is never lost over a byte.
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<RecordRow> recordFromJsonLine(std::span<const FieldDefinition> fields, std::string_view line) {
    // No exceptions: a line that does not parse gives a discarded value.
    const Json json = Json::parse(line.begin(), line.end(), nullptr, false);
    if (!json.is_object()) return std::nullopt;
    const auto id = json.find(RunIdMember);
    if (id == json.end() || !id->is_string() || !isRunId(id->get_ref<const std::string&>())) return std::nullopt;
    RecordRow row;
    row.runId = id->get<std::string>();
    for (const FieldDefinition& field : fields) {
        if (isRunIdField(field)) continue;
        const auto member = json.find(field.name);
        if (member == json.end()) continue;
        if (auto data = dataOf(field, *member)) row.values.push_back(FieldValue{&field, std::move(*data)});
    }
    return row;
}

}  // namespace kq::production
