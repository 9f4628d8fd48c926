#include "formats/line_file.h"

#include "platform/gb_text.h"
#include "platform/whole_file.h"

namespace kq {
namespace {

constexpr std::string_view LineEnd = "\r\r\n";
constexpr uint64_t MaxLineFileSize = 1 << 20;  // bytes; these files hold a few short values

}  // namespace

std::optional<std::string> encodeLineFile(const std::vector<std::string>& values) {
    std::string bytes;
    for (const auto& value : values) {
        if (value.find('\n') != std::string::npos) return std::nullopt;
        const auto encoded = utf8ToGb18030(value);
        if (!encoded) return std::nullopt;
        bytes += *encoded;
        bytes += LineEnd;
    }
    return bytes;
}

std::vector<std::string> decodeLineFile(std::string_view bytes, std::size_t count) {
    // CR and LF never occur inside a GB18030 multi-byte character, so the
    // lines can be cut before decoding.
    std::vector<std::string> values;
    while (values.size() < count && !bytes.empty()) {
        const auto lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
        for (int cr = 0; cr < 2 && !line.empty() && line.back() == '\r'; ++cr) line.remove_suffix(1);
        values.push_back(gb18030ToUtf8(line));
    }
    values.resize(count);
    return values;
}

bool writeLineFile(const std::string& path, const std::vector<std::string>& values) {
    const auto bytes = encodeLineFile(values);
    return bytes && writeFileAtomically(path, *bytes);
}

std::optional<std::vector<std::string>> readLineFile(const std::string& path, std::size_t count) {
    const WholeFile file = readWholeFile(path, MaxLineFileSize);
    if (file.status != WholeFile::Read) return std::nullopt;
    return decodeLineFile(file.bytes, count);
}

}  // namespace kq
