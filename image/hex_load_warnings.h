// The warnings of a HEX load that filled the image, in the words that the
// command line, its JSON and the run records carry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "image/hex_image.h"

namespace kq {

inline constexpr std::string_view NoEndRecordWarning = "no end record";

// "no end record" when the file ended without one, then "N lines are not
// records" when N lines were skipped; empty for a clean file.
std::vector<std::string> hexLoadWarnings(const HexLoadReport& report);

}  // namespace kq
