#include "image/hex_load_warnings.h"

namespace kq {

std::vector<std::string> hexLoadWarnings(const HexLoadReport& report) {
    std::vector<std::string> warnings;
    if (report.endRecordMissing) warnings.emplace_back(NoEndRecordWarning);
    if (report.nonRecordLines > 0) warnings.push_back(std::to_string(report.nonRecordLines) + " lines are not records");
    return warnings;
}

}  // namespace kq
