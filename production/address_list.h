// The module addresses of a bus: given with --address (several times) or
// read from an address file, one address per line; both by one rule.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq::production {

inline constexpr size_t AddressDigits = 12;       // characters of a module address
inline constexpr uint64_t MaxAddressFileBytes = 1 << 20;  // an address file is read whole, bytes

// One module address, wherever it is given: the text the window takes
// (at most 12 characters, pairs of two decimal digits or AA, padded on the
// left with '0'), not empty.
inline constexpr std::string_view ModuleAddressRule =
    "up to 12 characters, pairs of two decimal digits or AA (e.g. AAAAAAAAAAAA, 000000001234)";
// The 12 characters sent for an address text ("12345" gives "000000012345");
// none when the text breaks ModuleAddressRule.
std::optional<std::string> moduleAddressOf(std::string_view text);

struct AddressList {
    std::vector<std::string> addresses;  // in file order
    std::string error;                   // non-empty: why the list was refused
};

// The addresses of an address file's text, each as moduleAddressOf gives it.
// Blanks around a line, empty lines and everything from '#' on are ignored;
// every other line must be an address by ModuleAddressRule, each module
// once. An error names the file (source) and the line: "bus.txt:3: ...".
AddressList parseAddressList(std::string_view text, std::string_view source);
// Reads and parses the file at path.
AddressList readAddressFile(const std::string& path);

// Why the addresses of a bus (from --address or a file, each as
// moduleAddressOf gives it) cannot be flashed one after another: a wildcard
// (it would reach whichever module answers) or an address given twice; ""
// when they can.
std::string addressListProblem(const std::vector<std::string>& addresses);

}  // namespace kq::production
