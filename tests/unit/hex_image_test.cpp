#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/hex_image.h"

namespace kq {
namespace {

namespace fs = std::filesystem;

// One Intel HEX record with a correct checksum, upper-case digits.
std::string record(int type, uint16_t address, const std::vector<uint8_t>& data) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = ":";
    unsigned sum = 0;
    auto put = [&](uint8_t b) {
        text += digits[b >> 4];
        text += digits[b & 15];
        sum += b;
    };
    put(static_cast<uint8_t>(data.size()));
    put(static_cast<uint8_t>(address >> 8));
    put(static_cast<uint8_t>(address));
    put(static_cast<uint8_t>(type));
    for (uint8_t b : data) put(b);
    put(static_cast<uint8_t>(-sum));
    return text;
}

std::vector<uint8_t> counting(int count, uint8_t first = 0) {
    std::vector<uint8_t> bytes(count);
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

std::string dataRecord(uint16_t address, const std::vector<uint8_t>& data) { return record(0x00, address, data); }
std::string linear(uint16_t value) { return record(0x04, 0, {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)}); }
std::string segment(uint16_t value) { return record(0x02, 0, {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)}); }
const std::string endRecord = ":00000001FF";

std::string joinLines(std::initializer_list<std::string> lines, const std::string& lineEnd = "\r\n") {
    std::string text;
    for (const std::string& line : lines) text += line + lineEnd;
    return text;
}

class HexImageLoad : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kq_hex_image_test_" + std::to_string(getpid()));
        fs::create_directories(dir_);
        inputs_.hexPath = (dir_ / "upgrade.hex").string();
        inputs_.userOffsetHex = "1000";
        inputs_.chipFamily = 0;
        inputs_.bootloadType = 0;
        inputs_.upgradeAreaKiB = 28;
    }
    void TearDown() override { fs::remove_all(dir_); }

    int load(const std::string& fileText) {
        std::ofstream(inputs_.hexPath, std::ios::binary) << fileText;
        return loadPath();
    }
    int loadPath() {
        messages_.clear();
        return loadHexImage(inputs_, *image_, [this](std::string_view text) { messages_.emplace_back(text); });
    }
    std::optional<std::string> message() const {
        return messages_.size() == 1 ? std::optional(messages_.front()) : std::nullopt;
    }
    bool allFillFrom(int offset) const {
        for (int i = offset; i < ImageCapacity; ++i)
            if (image_->imageBytes[i] != ImageFill) return false;
        return true;
    }

    fs::path dir_;
    HexLoadInputs inputs_;
    std::unique_ptr<FirmwareImage> image_ = std::make_unique<FirmwareImage>();
    std::vector<std::string> messages_;
};

TEST_F(HexImageLoad, EndRecordOnlyGivesOneBlankSector) {
    image_->imageBytes.fill(0x00);
    ASSERT_EQ(load(joinLines({endRecord})), 0);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(image_->imageLength, 1);
    EXPECT_EQ(image_->sectorCount(), 1);
    EXPECT_TRUE(allFillFrom(0));
}

TEST_F(HexImageLoad, DataLandsAtOffsetFromUserOffset) {
    ASSERT_EQ(load(joinLines({dataRecord(0x1000, counting(16, 0x40)), endRecord})), 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(image_->imageBytes[i], 0x40 + i) << i;
    EXPECT_EQ(image_->imageLength, 16);
    EXPECT_TRUE(allFillFrom(16));
}

TEST_F(HexImageLoad, OutOfOrderRecordsAndOverwrites) {
    ASSERT_EQ(load(joinLines({dataRecord(0x1200, counting(4, 0xA0)), dataRecord(0x1000, counting(8, 0x10)),
                              dataRecord(0x1004, {0xEE, 0xEE}), endRecord})),
              0);
    EXPECT_EQ(image_->imageLength, 0x204);  // the highest offset, not the last record's
    EXPECT_EQ(image_->imageBytes[0x200], 0xA0);
    EXPECT_EQ(image_->imageBytes[0x203], 0xA3);
    EXPECT_EQ(image_->imageBytes[3], 0x13);
    EXPECT_EQ(image_->imageBytes[4], 0xEE);  // the later record wins
    EXPECT_EQ(image_->imageBytes[5], 0xEE);
    EXPECT_EQ(image_->imageBytes[6], 0x16);
    EXPECT_EQ(image_->imageBytes[8], ImageFill);
}

TEST_F(HexImageLoad, EveryLoadStartsFromAFreshFill) {
    ASSERT_EQ(load(joinLines({dataRecord(0x1800, counting(32)), endRecord})), 0);
    ASSERT_EQ(load(joinLines({dataRecord(0x1000, {0x55}), endRecord})), 0);
    EXPECT_EQ(image_->imageLength, 1);
    EXPECT_EQ(image_->imageBytes[0], 0x55);
    EXPECT_TRUE(allFillFrom(1));
}

TEST_F(HexImageLoad, LowerCaseDigitsAndOtherLines) {
    std::string lower = dataRecord(0x1000, {0xAB, 0xCD, 0xEF});
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    // Lines not starting with ':' are skipped; start address records are ignored.
    ASSERT_EQ(load(joinLines({"; built for the demo", "", lower, record(0x05, 0, {0, 0, 0x10, 0}),
                              record(0x03, 0, {0, 0, 0x10, 0}), endRecord})),
              0);
    EXPECT_EQ(image_->imageBytes[0], 0xAB);
    EXPECT_EQ(image_->imageBytes[2], 0xEF);
    EXPECT_EQ(image_->imageLength, 3);
}

struct EndingRow {
    const char* name;
    std::string fileText;
    int expectedLength;
};

const std::string first = dataRecord(0x1000, {0x01});
const std::string later = dataRecord(0x1100, {0x02});

const EndingRow endingRows[] = {
    {"exact_end_stops_reading", joinLines({first, endRecord, later}), 1},
    {"exact_end_stops_with_lf", joinLines({first, endRecord, later}, "\n"), 1},
    {"lower_case_end_reads_on", joinLines({first, ":00000001ff", later}), 0x101},
    {"end_with_trailing_blank_reads_on", joinLines({first, endRecord + " ", later}), 0x101},
    {"no_end_record", joinLines({first, later}), 0x101},
    {"last_line_without_line_end", joinLines({first}) + later, 0x101},
    {"last_line_without_line_end_after_lf", joinLines({first}, "\n") + later, 0x101},
    {"end_record_without_line_end", joinLines({first}) + endRecord, 1},
};

class HexImageEnding : public HexImageLoad, public testing::WithParamInterface<EndingRow> {};

TEST_P(HexImageEnding, ReadsUpToTheRightPoint) {
    ASSERT_EQ(load(GetParam().fileText), 0);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(image_->imageLength, GetParam().expectedLength);
    EXPECT_EQ(image_->imageBytes[0], 0x01);
}

INSTANTIATE_TEST_SUITE_P(Rows, HexImageEnding, testing::ValuesIn(endingRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HexImageLoad, CrLfAndLfFilesGiveTheSameImage) {
    const auto lines = {linear(0x00FF), dataRecord(0x1000, counting(32, 7)), dataRecord(0x1020, counting(16, 99)),
                        endRecord};
    ASSERT_EQ(load(joinLines(lines, "\r\n")), 0);
    const auto crlf = std::make_unique<FirmwareImage>(*image_);
    ASSERT_EQ(load(joinLines(lines, "\n")), 0);
    EXPECT_EQ(image_->imageLength, 48);
    EXPECT_EQ(crlf->imageLength, 48);
    EXPECT_TRUE(crlf->imageBytes == image_->imageBytes);
}

TEST_F(HexImageLoad, LongestRecordsAndOverlongLines) {
    // 255 data bytes need 521 characters; the junk after the record runs well
    // past any line buffer and must neither be read nor counted as lines.
    const std::string longRecord = dataRecord(0x1000, counting(255, 1));
    const std::string junk(3000, 'x');
    ASSERT_EQ(load(joinLines({longRecord + junk, dataRecord(0x1100, counting(255, 2)), endRecord})), 0);
    EXPECT_EQ(image_->imageBytes[0], 1);
    EXPECT_EQ(image_->imageBytes[254], 255);
    EXPECT_EQ(image_->imageBytes[0x100], 2);
    EXPECT_EQ(image_->imageLength, 0x100 + 255);

    // A malformed record after the overlong line is still reported on line 2.
    ASSERT_EQ(load(joinLines({longRecord + junk, ":0410"})), 1);
    EXPECT_EQ(message(), ".hex 第2行格式错误!");
}

struct FormatErrorRow {
    const char* name;
    std::string fileText;
    int line;
};

std::string withChar(std::string text, std::size_t pos, char ch) {
    text[pos] = ch;
    return text;
}

const std::string good = dataRecord(0x1000, {0x11, 0x22, 0x33, 0x44});  // 19 characters

const FormatErrorRow formatErrorRows[] = {
    {"colon_only", joinLines({":"}), 1},
    {"shorter_than_its_count", joinLines({good.substr(0, 17)}), 1},
    {"count_promises_more_data", joinLines({":10100000112233445566E0"}), 1},
    {"non_digit_in_count", joinLines({withChar(good, 2, 'G')}), 1},
    {"non_digit_in_address", joinLines({withChar(good, 4, ' ')}), 1},
    {"non_digit_in_data", joinLines({withChar(good, 12, 'z')}), 1},
    {"non_digit_in_checksum", joinLines({withChar(good, 18, '.')}), 1},
    {"wrong_checksum", joinLines({withChar(good, 18, good[18] == '0' ? '1' : '0')}), 1},
    {"bad_end_type_record", joinLines({":00000001FE"}), 1},
    {"bad_start_record", joinLines({":0400000500001000E8"}), 1},
    {"linear_address_without_value", joinLines({":00000004FC"}), 1},
    {"segment_address_short", joinLines({":0100000210ED"}), 1},
    {"counted_after_skipped_lines", joinLines({good, "", "comment", good + "junk", withChar(good, 1, 'x')}), 5},
    {"cr_inside_record", joinLines({good.substr(0, 10) + "\r" + good.substr(10)}), 1},
};

class HexImageFormatError : public HexImageLoad, public testing::WithParamInterface<FormatErrorRow> {};

TEST_P(HexImageFormatError, RefusesWithLineNumber) {
    EXPECT_EQ(load(GetParam().fileText), 1);
    EXPECT_EQ(message(), hexFormatErrorMessage(GetParam().line));
}

INSTANTIATE_TEST_SUITE_P(Rows, HexImageFormatError, testing::ValuesIn(formatErrorRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HexFormatErrorMessage, NamesTheLine) { EXPECT_EQ(hexFormatErrorMessage(12), ".hex 第12行格式错误!"); }

struct WindowRow {
    const char* name;
    int chipFamily;
    int bootloadType;
    const char* userOffsetHex;
    int areaKiB;
    std::string addressRecord;  // extended address record before the data, or empty
    uint16_t address;
    int count;
    int offset;  // where the first byte lands; -1 = refused
};

const WindowRow windowRows[] = {
    {"kq581x_last_full_record", 0, 0, "0", 0, "", 0xFDF0, 16, 0xFDF0},
    {"kq581x_limit_refused", 0, 0, "0", 0, "", 0xFE00, 1, -1},
    {"kq581x_last_byte_crosses_limit", 0, 0, "0", 0, "", 0xFDF8, 16, -1},
    {"kq581x_below_user_offset", 0, 0, "1000", 0, "", 0x0FF0, 16, -1},
    {"kq581x_at_user_offset", 0, 0, "1000", 0, "", 0x1000, 16, 0},
    {"kq581x_linear_00ff_counts_as_0", 0, 0, "1000", 0, linear(0x00FF), 0x2000, 16, 0x1000},
    {"kq581x_linear_0001_refused", 0, 0, "1000", 0, linear(0x0001), 0x2000, 16, -1},
    {"kq581x_area_does_not_narrow", 0, 1, "1000", 1, "", 0x8000, 16, 0x7000},
    {"kq581x_count_zero_still_tested", 0, 0, "1000", 0, "", 0x0F00, 0, -1},
    {"kq58xx_last_address", 1, 0, "4000", 0, linear(0x0007), 0xFFFF, 1, 0x7BFFF},
    {"kq58xx_limit_refused", 1, 0, "4000", 0, linear(0x0008), 0x0000, 1, -1},
    {"kq58xx_last_byte_crosses_limit", 1, 0, "4000", 0, linear(0x0007), 0xFFF8, 16, -1},
    {"kq58xx_linear_00ff_not_special", 1, 0, "0", 0, linear(0x00FF), 0x0000, 1, -1},
    {"kq58xx_zero_offset_whole_image", 1, 2, "0", 0, linear(0x0007), 0xFFF0, 16, 0x7FFF0},
    {"kq58xx_backup_area_last_record", 1, 1, "4000", 52, linear(0x0001), 0x0FF0, 16, 0xCFF0},
    {"kq58xx_backup_area_limit", 1, 1, "4000", 52, linear(0x0001), 0x1000, 1, -1},
    {"kq58xx_backup_area_crossed", 1, 1, "4000", 52, linear(0x0001), 0x0FF8, 16, -1},
    {"kq58xx_other_type_ignores_area", 1, 2, "4000", 52, linear(0x0001), 0x1000, 16, 0xD000},
    {"segment_address_times_16", 1, 0, "4000", 0, segment(0x1000), 0x0010, 4, 0xC010},
    {"segment_address_on_kq581x", 0, 0, "1000", 0, segment(0x0100), 0x0020, 4, 0x20},
    {"linear_replaces_segment", 1, 0, "4000", 0, segment(0x1000) + "\r\n" + linear(0x0000), 0x4000, 4, 0},
    {"segment_replaces_linear", 1, 0, "4000", 0, linear(0x0007) + "\r\n" + segment(0x0400), 0x0000, 4, 0},
};

class HexImageWindow : public HexImageLoad, public testing::WithParamInterface<WindowRow> {};

TEST_P(HexImageWindow, AcceptsOnlyRecordsWhollyInside) {
    const WindowRow& row = GetParam();
    inputs_.chipFamily = row.chipFamily;
    inputs_.bootloadType = row.bootloadType;
    inputs_.userOffsetHex = row.userOffsetHex;
    inputs_.upgradeAreaKiB = row.areaKiB;
    std::string text;
    if (!row.addressRecord.empty()) text += row.addressRecord + "\r\n";
    text += joinLines({dataRecord(row.address, counting(row.count, 0x30)), endRecord});

    const int result = load(text);
    if (row.offset < 0) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(message(), HexOutsideWindowMessage);
        return;
    }
    ASSERT_EQ(result, 0);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(image_->imageBytes[row.offset], 0x30);
    EXPECT_EQ(image_->imageLength, row.offset + row.count);
}

INSTANTIATE_TEST_SUITE_P(Rows, HexImageWindow, testing::ValuesIn(windowRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HexImageLoad, MissingFileLeavesTheImageAlone) {
    image_->imageBytes.fill(0x11);
    image_->imageLength = 7;
    const std::string missing = (dir_ / "absent.hex").string();
    for (const std::string& path : {std::string(), missing, dir_.string()}) {
        inputs_.hexPath = path;
        EXPECT_EQ(loadPath(), 1) << path;
        EXPECT_EQ(message(), HexMissingMessage) << path;
    }
    EXPECT_EQ(image_->imageLength, 7);
    EXPECT_EQ(image_->imageBytes[0], 0x11);
    EXPECT_EQ(image_->imageBytes[ImageCapacity - 1], 0x11);
}

TEST_F(HexImageLoad, RefusalWithoutMessageCallbackStillFails) {
    std::ofstream(inputs_.hexPath, std::ios::binary) << joinLines({dataRecord(0x0000, {1})});
    EXPECT_EQ(loadHexImage(inputs_, *image_, nullptr), 1);
}

// The sample files shipped for the demo load with their family's settings.
struct SampleRow {
    const char* name;
    const char* file;
    int chipFamily;
    int bootloadType;
    const char* userOffsetHex;
    int areaKiB;
};

const SampleRow sampleRows[] = {
    {"kq581x_local", "demo_kq581x.hex", 0, 0, "1000", 56},
    {"kq581x_remote_backup", "demo_kq581x.hex", 0, 1, "1000", 28},
    {"kq58xx_local", "demo_kq58xx.hex", 1, 0, "4000", 56},
    {"kq58xx_remote_backup", "demo_kq58xx.hex", 1, 1, "4000", 52},
};

class HexImageSample : public HexImageLoad, public testing::WithParamInterface<SampleRow> {};

TEST_P(HexImageSample, LoadsWithDefaultSettings) {
    const SampleRow& row = GetParam();
    inputs_.hexPath = (fs::path(__FILE__).parent_path() / "../../samples" / row.file).string();
    inputs_.chipFamily = row.chipFamily;
    inputs_.bootloadType = row.bootloadType;
    inputs_.userOffsetHex = row.userOffsetHex;
    inputs_.upgradeAreaKiB = row.areaKiB;
    ASSERT_EQ(loadPath(), 0) << (messages_.empty() ? "" : messages_.front());
    EXPECT_GT(image_->imageLength, 4096);
    EXPECT_NE(image_->imageBytes[0], ImageFill);  // the program starts at the user offset
    EXPECT_TRUE(allFillFrom(image_->imageLength));
}

INSTANTIATE_TEST_SUITE_P(Rows, HexImageSample, testing::ValuesIn(sampleRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kq
