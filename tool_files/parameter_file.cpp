#include "tool_files/parameter_file.h"

#include <cctype>
#include <climits>
#include <cstdint>

#include "platform/gb_text.h"
#include "platform/whole_file.h"

namespace kq {
namespace {

constexpr char FieldMark = '#';
constexpr uint64_t MaxParameterFileRead = 1 << 16;  // bytes read from the start; a full record is below 13 KiB
constexpr std::size_t MinParameterFileSize = 2;     // bytes; anything shorter is ignored

// A leading decimal number as the C library reads one: blanks, a sign, digits.
int leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool appendField(std::string& bytes, std::string_view utf8) {
    if (utf8.find(FieldMark) != std::string_view::npos || utf8.find('\0') != std::string_view::npos) return false;
    const auto encoded = utf8ToGb18030(utf8);
    if (!encoded || encoded->size() > MaxParameterFieldBytes) return false;
    bytes += FieldMark;
    bytes += *encoded;
    bytes += FieldMark;
    return true;
}

}  // namespace

std::string parameterFilePath(const std::string& toolFolder) { return toolFolder + std::string(ParameterFileName); }

std::optional<ParameterRecord> parseParameterBytes(std::string_view fileBytes) {
    // '#' never occurs inside a GB18030 multi-byte character, so the fields
    // can be cut before decoding.
    const std::string_view text = fileBytes.substr(0, fileBytes.find('\0'));
    std::string_view fields[ParameterFields];
    std::size_t p = 0;
    for (auto& field : fields) {
        const auto open = text.find(FieldMark, p);
        if (open == std::string_view::npos) return std::nullopt;
        const auto close = text.find(FieldMark, open + 1);
        if (close == std::string_view::npos || close - open - 1 > MaxParameterFieldBytes) return std::nullopt;
        field = text.substr(open + 1, close - open - 1);
        p = close + 1;
    }
    ParameterRecord record;
    UpgradeSettings& s = record.settings;
    s.hexPath = gb18030ToUtf8(fields[0]);
    record.hexFileTimeText = gb18030ToUtf8(fields[1]);
    s.moduleAddress = gb18030ToUtf8(fields[2]);
    s.userOffsetHex = gb18030ToUtf8(fields[3]);
    s.upgradeOffsetHex = gb18030ToUtf8(fields[4]);
    s.frameDataLength = leadingNumber(fields[5]);
    s.baudRate = leadingNumber(fields[6]);
    s.parity = leadingNumber(fields[7]);
    s.upgradeAreaKiB = leadingNumber(fields[8]);
    s.chipFamily = leadingNumber(fields[9]);
    s.bootloadType = leadingNumber(fields[10]);
    record.savedPortIndex = leadingNumber(fields[11]);
    return record;
}

std::optional<std::string> encodeParameterBytes(const ParameterRecord& record) {
    std::string bytes;
    const UpgradeSettings& s = record.settings;
    for (const std::string* text :
         {&s.hexPath, &record.hexFileTimeText, &s.moduleAddress, &s.userOffsetHex, &s.upgradeOffsetHex}) {
        if (!appendField(bytes, *text)) return std::nullopt;
    }
    for (int number : {s.frameDataLength, s.baudRate, s.parity, s.upgradeAreaKiB, s.chipFamily, s.bootloadType,
                       record.savedPortIndex}) {
        appendField(bytes, std::to_string(number));
    }
    bytes += '\0';
    return bytes;
}

std::optional<ParameterRecord> readParameterFile(const std::string& path) {
    // The record lies at the start. A save never shortens the file, so a file
    // grown large by anything else stays large: only its start is read, or
    // every later save would be reported done and never read back.
    const WholeFile file = readFileStart(path, MaxParameterFileRead);
    if (file.status != WholeFile::Read || file.bytes.size() < MinParameterFileSize) return std::nullopt;
    return parseParameterBytes(file.bytes);
}

bool writeParameterFile(const std::string& path, const ParameterRecord& record) {
    auto bytes = encodeParameterBytes(record);
    if (!bytes) return false;
    return overwriteFromStart(path, *bytes);
}

}  // namespace kq
