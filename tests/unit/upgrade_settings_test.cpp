#include <gtest/gtest.h>

#include <climits>
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
    {"plain", "1000", 0x1000},
    {"mixed_case", "aBcD", 0xABCD},
    {"leading_blanks", " \t\n1f", 0x1F},
    {"prefix_lower", "0x12000", 0x12000},
    {"prefix_upper", "0X1a", 0x1A},
    {"prefix_without_digit", "0x", 0},
    {"prefix_before_non_digit", "0xg", 0},
    {"plus_sign", "+10", 0x10},
    {"minus_one_wraps", "-1", 0xFFFFFFFF},
    {"negative_prefixed", "-0x10", 0xFFFFFFF0},
    {"blank_after_sign", "- 1", 0},
    {"stops_at_non_digit", "12zz34", 0x12},
    {"no_digits", "zz", 0},
    {"full_32_bits", "FFFFFFFF", 0xFFFFFFFF},
    {"low_32_bits_kept", "123456789", 0x23456789},
    {"largest_64_bit", "7FFFFFFFFFFFFFFF", 0xFFFFFFFF},
    {"overflow_clamps_high", "FFFFFFFFFFFFFFFFFF", 0xFFFFFFFF},
    {"overflow_clamps_low", "-FFFFFFFFFFFFFFFFFF", 0},
    {"smallest_64_bit", "-8000000000000000", 0},
    {"below_smallest", "-8000000000000001", 0},
};

class ParseHexText : public testing::TestWithParam<HexTextRow> {};

TEST_P(ParseHexText, ReadsAsBase16Conversion) {
    const HexTextRow& row = GetParam();
    EXPECT_EQ(parseHexText(row.text), row.expected);
    // Where long has 64 bits, the C library is the reference.
    if constexpr (sizeof(long) == 8) {
        EXPECT_EQ(parseHexText(row.text), static_cast<uint32_t>(std::strtol(row.text.c_str(), nullptr, 16)));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ParseHexText, testing::ValuesIn(hexTextRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ParseHexText, StopsAtTheEndOfTheViewNotAtATerminator) {
    const std::string text = "12345";
    EXPECT_EQ(parseHexText(std::string_view(text).substr(0, 2)), 0x12u);
}

TEST(DecimalText, DigitsWithoutSignOrLeadingZeros) {
    EXPECT_EQ(decimalText(0), "0");
    EXPECT_EQ(decimalText(7), "7");
    EXPECT_EQ(decimalText(1024), "1024");
    EXPECT_EQ(decimalText(INT_MAX), "2147483647");
}

struct TypeDefaultsRow {
    const char* name;
    int chipFamily;
    int bootloadType;
    const char* userOffset;
    const char* upgradeOffset;
    int areaKiB;
};

// Start values no rule would produce, so "kept" is visible.
constexpr const char* KeptUser = "u";
constexpr const char* KeptUpgrade = "g";
constexpr int KeptArea = 99;

const TypeDefaultsRow typeDefaultsRows[] = {
    {"kq581x_local", 0, 0, "1000", KeptUpgrade, KeptArea},
    {"kq581x_remote_backup", 0, 1, "1000", "8000", 28},
    {"kq581x_remote_no_backup", 0, 2, "1000", KeptUpgrade, KeptArea},
    {"kq58xx_local", 1, 0, "4000", KeptUpgrade, KeptArea},
    {"kq58xx_remote_backup", 1, 1, "4000", "11000", 52},
    {"kq58xx_remote_no_backup", 1, 2, "4000", KeptUpgrade, KeptArea},
    {"other_family_counts_as_kq58xx", 5, 1, "4000", "11000", 52},
    {"negative_family_counts_as_kq58xx", -1, 0, "4000", KeptUpgrade, KeptArea},
    {"unknown_type_keeps_all", 0, 3, KeptUser, KeptUpgrade, KeptArea},
    {"negative_type_keeps_all", 1, -1, KeptUser, KeptUpgrade, KeptArea},
};

class ApplyTypeDefaults : public testing::TestWithParam<TypeDefaultsRow> {};

TEST_P(ApplyTypeDefaults, SetsOffsetsAndArea) {
    const TypeDefaultsRow& row = GetParam();
    UpgradeSettings settings;
    settings.chipFamily = row.chipFamily;
    settings.bootloadType = row.bootloadType;
    settings.userOffsetHex = KeptUser;
    settings.upgradeOffsetHex = KeptUpgrade;
    settings.upgradeAreaKiB = KeptArea;
    settings.moduleAddress = "123456789012";

    applyTypeDefaults(settings);

    EXPECT_EQ(settings.userOffsetHex, row.userOffset);
    EXPECT_EQ(settings.upgradeOffsetHex, row.upgradeOffset);
    EXPECT_EQ(settings.upgradeAreaKiB, row.areaKiB);
    EXPECT_EQ(settings.chipFamily, row.chipFamily);
    EXPECT_EQ(settings.bootloadType, row.bootloadType);
    EXPECT_EQ(settings.moduleAddress, "123456789012");
}

INSTANTIATE_TEST_SUITE_P(Rows, ApplyTypeDefaults, testing::ValuesIn(typeDefaultsRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kq
