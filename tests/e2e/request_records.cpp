#include "e2e/request_records.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace kq::testing {

namespace {

// Reads a JSON string at text[i] == '"' (no escapes occur in the log); i ends after it.
std::optional<std::string> readString(const std::string& text, size_t& i) {
    const size_t end = text.find('"', i + 1);
    if (end == std::string::npos) return std::nullopt;
    std::string value = text.substr(i + 1, end - i - 1);
    i = end + 1;
    return value;
}

uint32_t numberOf(const std::map<std::string, std::string>& fields, const std::string& key) {
    const auto it = fields.find(key);
    return it == fields.end() ? 0 : static_cast<uint32_t>(std::strtoul(it->second.c_str(), nullptr, 0));
}

std::string textOf(const std::map<std::string, std::string>& fields, const std::string& key) {
    const auto it = fields.find(key);
    return it == fields.end() ? "" : it->second;
}

// The keys and values of one flat JSON object (strings unquoted, numbers as
// written); nothing when the line is not such an object.
std::optional<std::map<std::string, std::string>> parseFlatJson(const std::string& line) {
    std::map<std::string, std::string> fields;
    size_t i = 0;
    if (line.empty() || line[0] != '{') return std::nullopt;
    ++i;
    while (i < line.size() && line[i] != '}') {
        if (line[i] == ',') ++i;
        if (i >= line.size() || line[i] != '"') return std::nullopt;
        const auto key = readString(line, i);
        if (!key || i >= line.size() || line[i] != ':') return std::nullopt;
        ++i;
        if (i < line.size() && line[i] == '"') {
            const auto value = readString(line, i);
            if (!value) return std::nullopt;
            fields[*key] = *value;
        } else {
            const size_t end = line.find_first_of(",}", i);
            if (end == std::string::npos) return std::nullopt;
            fields[*key] = line.substr(i, end - i);
            i = end;
        }
    }
    if (i >= line.size()) return std::nullopt;
    return fields;
}

}  // namespace

std::vector<RequestRecord> parseRequestLog(const std::string& text) {
    std::vector<RequestRecord> records;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; start = end + 1, end = text.find('\n', start)) {
        const auto fields = parseFlatJson(text.substr(start, end - start));
        if (!fields) continue;
        RequestRecord record;
        record.name = textOf(*fields, "name");
        record.layout = textOf(*fields, "layout");
        record.address = numberOf(*fields, "address");
        record.module = textOf(*fields, "module");
        record.payload = static_cast<int>(numberOf(*fields, "payload"));
        record.reply = textOf(*fields, "reply");
        if (fields->count("offset") != 0) record.offset = numberOf(*fields, "offset");
        record.mode = textOf(*fields, "mode");
        record.timeMs = std::strtod(textOf(*fields, "t_ms").c_str(), nullptr);
        record.requestBytes = static_cast<int>(numberOf(*fields, "request_bytes"));
        record.replyBytes = static_cast<int>(numberOf(*fields, "reply_bytes"));
        record.crc = textOf(*fields, "crc");
        record.busModule = textOf(*fields, "bus_module");
        records.push_back(record);
    }
    return records;
}

std::vector<std::string> requestNames(const std::vector<RequestRecord>& records) {
    std::vector<std::string> names;
    for (const RequestRecord& record : records) names.push_back(record.name);
    return names;
}

int countNamed(const std::vector<RequestRecord>& records, const std::string& name) {
    return static_cast<int>(
        std::count_if(records.begin(), records.end(), [&](const RequestRecord& r) { return r.name == name; }));
}

}  // namespace kq::testing
