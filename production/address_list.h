// The module addresses of a bus: given with --address (several times) or
// read from an address file, one 12-digit address per line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kq::production {

inline constexpr size_t AddressDigits = 12;       // characters of a module address
inline constexpr uint64_t MaxAddressFileBytes = 1 << 20;  // an address file is read whole, bytes

struct AddressList {
    std::vector<std::string> addresses;  // in file order
    std::string error;                   // non-empty: why the list was refused
};

// The addresses of an address file's text. Blanks around a line, empty lines
// and everything from '#' on are ignored; every other line must be exactly
// 12 decimal digits, each address once. An error names the file (source)
// and the line: "bus.txt:3: ...".
AddressList parseAddressList(std::string_view text, std::string_view source);
// Reads and parses the file at path.
AddressList readAddressFile(const std::string& path);

// Why addresses given with --address cannot be flashed one after another:
// a wildcard (it would reach whichever module answers) or an address given
// twice; "" when they can.
std::string addressListProblem(const std::vector<std::string>& addresses);

}  // namespace kq::production
