#include <gtest/gtest.h>

#include "image/hex_digits.h"

namespace kq {
namespace {

TEST(HexDigits, BothCasesAndDigitPairs) {
    EXPECT_EQ(hexDigitValue('0'), 0);
    EXPECT_EQ(hexDigitValue('9'), 9);
    EXPECT_EQ(hexDigitValue('a'), 10);
    EXPECT_EQ(hexDigitValue('F'), 15);
    EXPECT_EQ(hexByteValue("fF"), 0xFF);
    EXPECT_EQ(hexByteValue("A5"), 0xA5);
    EXPECT_EQ(hexByteValue("0c"), 0x0C);
}

TEST(HexDigits, NonDigitsGiveValuesWithoutComplaint) {
    // Not validated: 'G' maps past 15 and the pair keeps only 8 bits.
    EXPECT_EQ(hexDigitValue('G'), 16);
    EXPECT_EQ(hexByteValue("GG"), static_cast<uint8_t>(16 * 16 + 16));
    // Bytes of 0x80 and above compare as negative, below '0'.
    EXPECT_LT(hexDigitValue(static_cast<char>(0xE4)), 0);
    EXPECT_FALSE(isHexDigit('g'));
    EXPECT_TRUE(isHexDigit('b'));
}

}  // namespace
}  // namespace kq
