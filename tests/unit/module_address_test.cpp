#include <gtest/gtest.h>

#include <string>

#include "link/module_address.h"

namespace kq {
namespace {

TEST(ToBcd, PacksTheLowEightBits) {
    EXPECT_EQ(toBcd(0), 0x00);
    EXPECT_EQ(toBcd(9), 0x09);
    EXPECT_EQ(toBcd(10), 0x10);
    EXPECT_EQ(toBcd(42), 0x42);
    EXPECT_EQ(toBcd(99), 0x99);
    EXPECT_EQ(toBcd(100), 0xA0);  // ten tens do not fit a nibble
    EXPECT_EQ(toBcd(255), 0x95);
    EXPECT_EQ(toBcd(256), 0x00);  // only the low 8 bits count
    EXPECT_EQ(toBcd(-1), 0x95);   // low 8 bits of -1 are 255
}

struct AddressRow {
    const char* name;
    std::string text;
    ModuleAddress expected;  // byte 0 first on the line
    bool valid;
    std::string sent = "";  // as paddedAddress gives it; "" = not checked (invalid)
};

const AddressRow addressRows[] = {
    {"all_wildcards", "AAAAAAAAAAAA", {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}, true, "AAAAAAAAAAAA"},
    {"lower_wildcards", "aaaaaaaaaaaa", {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}, true, "AAAAAAAAAAAA"},
    {"twelve_digits_last_pair_first", "123456789012", {0x12, 0x90, 0x78, 0x56, 0x34, 0x12}, true, "123456789012"},
    {"short_text_padded_left", "1234", {0x34, 0x12, 0x00, 0x00, 0x00, 0x00}, true, "000000001234"},
    {"odd_length_padded_left", "12345", {0x45, 0x23, 0x01, 0x00, 0x00, 0x00}, true, "000000012345"},
    {"empty_is_all_zero", "", {0, 0, 0, 0, 0, 0}, true, "000000000000"},
    {"wildcard_in_first_pair", "AA0000000001", {0x01, 0x00, 0x00, 0x00, 0x00, 0xAA}, true, "AA0000000001"},
    {"wildcard_pair_padded", "aa01", {0x01, 0xAA, 0, 0, 0, 0}, true, "00000000AA01"},
    {"digit_then_letter_reads_leading_digit", "1A0000000000", {0, 0, 0, 0, 0, 0x01}, false},
    {"letter_first_reads_zero", "A10000000000", {0, 0, 0, 0, 0, 0x00}, false},
    {"mixed_case_wildcard_reads_zero", "Aa0000000000", {0, 0, 0, 0, 0, 0x00}, false},
    {"other_letters_read_zero", "0000000000BB", {0x00, 0, 0, 0, 0, 0}, false},
    {"blank_in_pair", "0000000000 7", {0x07, 0, 0, 0, 0, 0}, false},
    {"too_long_keeps_last_twelve", "9123456789012", {0x12, 0x90, 0x78, 0x56, 0x34, 0x12}, false},
};

class ModuleAddressText : public testing::TestWithParam<AddressRow> {};

TEST_P(ModuleAddressText, EncodesAndValidates) {
    const AddressRow& row = GetParam();
    EXPECT_EQ(encodeModuleAddress(row.text), row.expected);
    EXPECT_EQ(isValidModuleAddress(row.text), row.valid);
    if (!row.sent.empty()) {
        EXPECT_EQ(paddedAddress(row.text), row.sent);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ModuleAddressText, testing::ValuesIn(addressRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kq
