#include "production/address_list.h"

#include <algorithm>
#include <map>

#include "link/module_address.h"
#include "platform/whole_file.h"

namespace kq::production {

namespace {

constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr char CommentMark = '#';

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// A decimal pair encodes to BCD (at most 0x99): only the wildcard pair gives 0xAA.
bool holdsWildcard(std::string_view address) {
    const ModuleAddress bytes = encodeModuleAddress(address);
    return std::find(bytes.begin(), bytes.end(), WildcardByte) != bytes.end();
}

}  // namespace

std::optional<std::string> moduleAddressOf(std::string_view text) {
    if (text.empty() || !isValidModuleAddress(text)) return std::nullopt;
    return paddedAddress(text);
}

AddressList parseAddressList(std::string_view text, std::string_view source) {
    AddressList list;
    if (text.starts_with(Utf8ByteOrderMark)) text.remove_prefix(Utf8ByteOrderMark.size());
    std::map<std::string, int> seenOnLine;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        line = trimmed(line.substr(0, line.find(CommentMark)));
        if (line.empty()) continue;
        const std::string where = std::string(source) + ":" + std::to_string(lineNumber) + ": ";
        const std::optional<std::string> sent = moduleAddressOf(line);
        if (!sent) {
            return {{}, where + "\"" + std::string(line) + "\" is not a module address (" +
                            std::string(ModuleAddressRule) + ")"};
        }
        const std::string& address = *sent;
        if (const auto seen = seenOnLine.find(address); seen != seenOnLine.end()) {
            return {{}, where + address + " is already on line " + std::to_string(seen->second)};
        }
        seenOnLine.emplace(address, lineNumber);
        list.addresses.push_back(address);
    }
    if (list.addresses.empty()) list.error = std::string(source) + ": no module address in the file";
    return list;
}

AddressList readAddressFile(const std::string& path) {
    const WholeFile file = readWholeFile(path, MaxAddressFileBytes);
    switch (file.status) {
        case WholeFile::Read: return parseAddressList(file.bytes, path);
        case WholeFile::TooLarge: return {{}, path + ": too large for an address file"};
        case WholeFile::CannotOpen: return {{}, path + ": cannot be opened (missing, not permitted, or not a file)"};
        case WholeFile::ReadError: return {{}, path + ": could not be read"};
    }
    return {{}, path + ": could not be read"};
}

std::string addressListProblem(const std::vector<std::string>& addresses) {
    if (addresses.size() < 2) return "";
    for (size_t i = 0; i < addresses.size(); ++i) {
        if (holdsWildcard(addresses[i])) {
            return addresses[i] + " holds the wildcard AA, which reaches whichever module answers: give each module's "
                                  "own address";
        }
        for (size_t k = 0; k < i; ++k) {
            if (encodeModuleAddress(addresses[k]) == encodeModuleAddress(addresses[i])) {
                return addresses[i] + " is given twice";
            }
        }
    }
    return "";
}

}  // namespace kq::production
