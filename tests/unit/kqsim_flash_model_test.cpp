// The simulated module's flash: family ranges, the protected bootloader area,
// erase and AND-only programming, CRC and image loading.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "link/link_frame.h"
#include "sim/flash_model.h"

namespace kq::sim {
namespace {

struct RangeRow {
    const char* name;
    ChipFamily family;
    uint32_t address;
    uint32_t length;
    bool inside;
    bool writable;
    std::optional<uint32_t> bootSize = std::nullopt;  // the family's default when absent
};

class KqsimFlashRanges : public ::testing::TestWithParam<RangeRow> {};

TEST_P(KqsimFlashRanges, InsideAndWritable) {
    const RangeRow& row = GetParam();
    FlashModel flash(flashGeometry(row.family, row.bootSize));
    EXPECT_EQ(flash.contains(row.address, row.length), row.inside);
    EXPECT_EQ(flash.isWritable(row.address, row.length), row.writable);
    // Erase obeys the same rule, and a refused erase or write changes nothing.
    std::vector<uint8_t> zeros(row.length, 0);
    EXPECT_EQ(flash.program(row.address, zeros.data(), row.length), row.writable);
    const bool untouched = std::all_of(flash.bytes().begin(), flash.bytes().end(), [](uint8_t b) { return b == 0xFF; });
    EXPECT_EQ(untouched, !row.writable || row.length == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KqsimFlashRanges,
    ::testing::Values(
        RangeRow{"Small_FirstUserSector", ChipFamily::Kq581x, 0xFF1000, 512, true, true},
        RangeRow{"Small_LastSector", ChipFamily::Kq581x, 0xFFFE00, 512, true, true},
        RangeRow{"Small_PastTheEnd", ChipFamily::Kq581x, 0xFFFF00, 512, false, false},
        RangeRow{"Small_WithoutTheFamilyOffset", ChipFamily::Kq581x, 0x1000, 512, false, false},
        RangeRow{"Small_BootArea", ChipFamily::Kq581x, 0xFF0000, 512, true, false},
        RangeRow{"Small_EndsInsideBootArea", ChipFamily::Kq581x, 0xFF0E01, 512, true, false},
        RangeRow{"Arm_FirstUserSector", ChipFamily::Kq58xx, 0x4000, 512, true, true},
        RangeRow{"Arm_LastByte", ChipFamily::Kq58xx, 0x7FFFF, 1, true, true},
        RangeRow{"Arm_PastTheEnd", ChipFamily::Kq58xx, 0x7FFFF, 2, false, false},
        RangeRow{"Arm_BootAreaLastSector", ChipFamily::Kq58xx, 0x3E00, 512, true, false},
        RangeRow{"Arm_WrapsAround", ChipFamily::Kq58xx, 0xFFFFFF00, 0x200, false, false},
        RangeRow{"Arm_SmallerBootArea", ChipFamily::Kq58xx, 0x3E00, 512, true, true, 0x2000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KqsimFlashModel, ProgrammingOnlyClearsBits) {
    FlashModel flash(flashGeometry(ChipFamily::Kq58xx));
    const uint8_t first[2] = {0xF0, 0x3C};
    const uint8_t second[2] = {0x0F, 0xFF};
    ASSERT_TRUE(flash.program(0x5000, first, 2));
    EXPECT_EQ(flash.bytes()[0x5000], 0xF0);
    // Written again without erase: the old zeros stay.
    ASSERT_TRUE(flash.program(0x5000, second, 2));
    EXPECT_EQ(flash.bytes()[0x5000], 0x00);
    EXPECT_EQ(flash.bytes()[0x5001], 0x3C);
    ASSERT_TRUE(flash.erase(0x5000, 512));
    ASSERT_TRUE(flash.program(0x5000, second, 2));
    EXPECT_EQ(flash.bytes()[0x5000], 0x0F);
}

TEST(KqsimFlashModel, EraseAllKeepsTheBootloader) {
    FlashModel flash(flashGeometry(ChipFamily::Kq581x));
    std::vector<uint8_t> content(0x10000, 0x00);
    ASSERT_TRUE(flash.load(content));
    flash.eraseApplicationArea();
    EXPECT_EQ(flash.bytes()[0x0FFF], 0x00);
    EXPECT_EQ(flash.bytes()[0x1000], 0xFF);
    EXPECT_EQ(flash.bytes()[0xFFFF], 0xFF);
}

TEST(KqsimFlashModel, CrcOverFlashAddresses) {
    FlashModel flash(flashGeometry(ChipFamily::Kq581x));
    const uint8_t data[4] = {1, 2, 3, 4};
    ASSERT_TRUE(flash.program(0xFF2000, data, 4));
    std::vector<uint8_t> expected(512, 0xFF);
    std::copy(data, data + 4, expected.begin());
    EXPECT_EQ(flash.crc(0xFF2000, 512), crc16(expected.data(), expected.size()));
    EXPECT_EQ(flash.crc(0xFF2000, 0), 0);
    EXPECT_FALSE(flash.crc(0x2000, 512).has_value());           // without the 0xFF0000 of the family
    EXPECT_FALSE(flash.crc(0xFFFF00, 0x101).has_value());        // runs past the end
    EXPECT_TRUE(flash.crc(0xFF0000, 0x10000).has_value());       // reading the bootloader area is fine
}

TEST(KqsimFlashModel, LoadFillsFromTheBottom) {
    FlashModel flash(flashGeometry(ChipFamily::Kq581x));
    EXPECT_TRUE(flash.load({0x12, 0x34}));
    EXPECT_EQ(flash.bytes()[0], 0x12);
    EXPECT_EQ(flash.bytes()[1], 0x34);
    EXPECT_EQ(flash.bytes()[2], 0xFF);
    EXPECT_FALSE(flash.load(std::vector<uint8_t>(0x10001, 0)));
    EXPECT_EQ(flash.bytes()[0], 0x12);  // refused load left the content alone
}

}  // namespace
}  // namespace kq::sim
