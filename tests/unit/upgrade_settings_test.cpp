#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "upgrade/upgrade_settings.h"

namespace kq {
namespace {

struct HexTextRow {
    const char* name;
    std::string text;
    uint32_t expected;
};
const HexTextRow hexTextRows[] = {
    {"empty", "", 0},
    {"mixed_case", "aBcD", 0xABCD},
    {"leading_white_space", " \t\n1f", 0x1F},
    {"prefix", "0X12000", 0x12000},
    {"prefix_without_digit", "0xg", 0},
    {"plus_sign", "+10", 0x10},
    {"minus_one_wraps", "-1", 0xFFFFFFFF},
    {"blank_after_sign", "- 1", 0},
    {"stops_at_non_digit", "12zz34", 0x12},
    {"largest", "7FFFFFFF", 0x7FFFFFFF},
    {"above_range_clamps_high", "100001000", 0x7FFFFFFF},
    {"all_ones_clamps_high", "FFFFFFFF", 0x7FFFFFFF},
    {"far_above_range_clamps_high", "FFFFFFFFFFFFFFFFFF", 0x7FFFFFFF},
    {"smallest", "-80000000", 0x80000000},
    {"below_range_clamps_low", "-80000001", 0x80000000},
    {"far_below_range_clamps_low", "-FFFFFFFFFFFFFFFFFF", 0x80000000},
};

class ParseHexText : public testing::TestWithParam<HexTextRow> {};
TEST_P(ParseHexText, ReadsAsBase16Conversion) {
    const HexTextRow& row = GetParam();
    EXPECT_EQ(parseHexText(row.text), row.expected);
    // The C library is the reference, clamped as a 32-bit long clamps.
    const long long wide = std::clamp<long long>(std::strtoll(row.text.c_str(), nullptr, 16), INT32_MIN, INT32_MAX);
    EXPECT_EQ(parseHexText(row.text), static_cast<uint32_t>(wide));
    // Only the characters of the view count, not what follows in memory.
    EXPECT_EQ(parseHexText(std::string_view(row.text + "5").substr(0, row.text.size())), row.expected);
}
INSTANTIATE_TEST_SUITE_P(Rows, ParseHexText, testing::ValuesIn(hexTextRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct TypeDefaultsRow {
    const char* name;
    int chipFamily, bootloadType;
    const char *userOffset, *upgradeOffset;
    int areaKiB;
};
// "u", "g" and 99 are the start values: rows that keep them show "kept".
const TypeDefaultsRow typeDefaultsRows[] = {
    {"kq581x_local", 0, 0, "1000", "g", 99},
    {"kq581x_remote_backup", 0, 1, "1000", "8000", 28},
    {"kq581x_remote_no_backup", 0, 2, "1000", "g", 99},
    {"kq58xx_local", 1, 0, "4000", "g", 99},
    {"kq58xx_remote_backup", 1, 1, "4000", "11000", 52},
    {"kq58xx_remote_no_backup", 1, 2, "4000", "g", 99},
    {"other_family_counts_as_kq58xx", -1, 1, "4000", "11000", 52},
    {"unknown_type_keeps_all", 0, 3, "u", "g", 99},
    {"negative_type_keeps_all", 1, -1, "u", "g", 99},
};

class ApplyTypeDefaults : public testing::TestWithParam<TypeDefaultsRow> {};
TEST_P(ApplyTypeDefaults, SetsOffsetsAndArea) {
    const TypeDefaultsRow& row = GetParam();
    UpgradeSettings settings;
    settings.chipFamily = row.chipFamily;
    settings.bootloadType = row.bootloadType;
    settings.userOffsetHex = "u";
    settings.upgradeOffsetHex = "g";
    settings.upgradeAreaKiB = 99;
    applyTypeDefaults(settings);
    EXPECT_EQ(settings.userOffsetHex, row.userOffset);
    EXPECT_EQ(settings.upgradeOffsetHex, row.upgradeOffset);
    EXPECT_EQ(settings.upgradeAreaKiB, row.areaKiB);
}
INSTANTIATE_TEST_SUITE_P(Rows, ApplyTypeDefaults, testing::ValuesIn(typeDefaultsRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kq
