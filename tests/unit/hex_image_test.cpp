#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/hex_image.h"
#include "image/hex_load_warnings.h"
#include "support/source_tree.h"

namespace kq {
namespace {

namespace fs = std::filesystem;

// One record with a correct checksum; data bytes count up from `first`.
std::string record(int type, uint16_t address, std::vector<uint8_t> data) {
    std::vector<uint8_t> bytes{static_cast<uint8_t>(data.size()), static_cast<uint8_t>(address >> 8),
                               static_cast<uint8_t>(address), static_cast<uint8_t>(type)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    bytes.push_back(static_cast<uint8_t>(-sum));
    std::string text = ":";
    for (uint8_t b : bytes) text += "0123456789ABCDEF"[b >> 4], text += "0123456789ABCDEF"[b & 15];
    return text;
}
std::string data(uint16_t address, int count, uint8_t first = 0x30) {
    std::vector<uint8_t> bytes(count);
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return record(0x00, address, bytes);
}
std::string linear(uint16_t v) { return record(0x04, 0, {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}); }
std::string segment(uint16_t v) { return record(0x02, 0, {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}); }
const std::string endRecord = ":00000001FF";

std::string lines(std::initializer_list<std::string> list, const std::string& lineEnd = "\r\n") {
    std::string text;
    for (const std::string& line : list) text += line + lineEnd;
    return text;
}

class HexLoad : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kq_hex_image_test_" + std::to_string(getpid()));
        fs::create_directories(dir_);
        inputs_ = {(dir_ / "upgrade.hex").string(), "1000", 0, 0, 28};
    }
    void TearDown() override { fs::remove_all(dir_); }

    int load(const std::string& fileText) {
        std::ofstream(inputs_.hexPath, std::ios::binary) << fileText;
        return loadPath();
    }
    int loadPath() {
        messages_.clear();
        return loadHexImage(
            inputs_, *image_, [this](std::string_view text) { messages_.emplace_back(text); }, &report_);
    }
    std::optional<std::string> message() const {
        return messages_.size() == 1 ? std::optional(messages_.front()) : std::nullopt;
    }
    bool blankFrom(int offset) const {
        for (int i = offset; i < ImageCapacity; ++i)
            if (image_->imageBytes[i] != ImageFill) return false;
        return true;
    }

    fs::path dir_;
    HexLoadInputs inputs_;
    std::unique_ptr<FirmwareImage> image_ = std::make_unique<FirmwareImage>();
    std::vector<std::string> messages_;
    HexLoadReport report_;
};

TEST_F(HexLoad, RecordsLandAtTheirOffsetsInAFreshImage) {
    ASSERT_EQ(load(lines({data(0x1800, 32), endRecord})), 0);
    // Out of order, overlapping (the later record wins), lower-case digits,
    // a comment, a blank line and a start address record in between.
    std::string lower = data(0x1004, 2, 0xEE);
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    ASSERT_EQ(load(lines({data(0x1200, 4, 0xA0), "; comment", "", data(0x1000, 8, 0x10), lower,
                          record(0x05, 0, {0, 0, 0x10, 0}), endRecord})),
              0);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(image_->imageLength, 0x204);  // the highest offset, not the last record's
    const uint8_t expectStart[] = {0x10, 0x11, 0x12, 0x13, 0xEE, 0xEF, 0x16, 0x17, ImageFill};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(image_->imageBytes[i], expectStart[i]) << i;
    EXPECT_EQ(image_->imageBytes[0x203], 0xA3);
    EXPECT_TRUE(blankFrom(0x204));  // nothing of the first file survives

    ASSERT_EQ(load(lines({data(0x1000, 1, ImageFill), endRecord})), 0);  // a placed 0xFF is data
    EXPECT_EQ(image_->imageLength, 1);
    EXPECT_EQ(image_->sectorCount(), 1);
    EXPECT_TRUE(blankFrom(0));
}

TEST_F(HexLoad, FileThatPlacesNoDataByteIsRefused) {
    const std::string binary("\x7F" "ELF\x02\x01\x01\0\0\0\r\n\xFF\xFE", 14);
    for (const std::string& text : {std::string(), binary, lines({"S00600004844521B", "hello"}), lines({endRecord}),
                                    lines({linear(0), data(0x1000, 0), record(0x05, 0, {0, 0, 0x10, 0}), endRecord})}) {
        SCOPED_TRACE(::testing::PrintToString(text));
        EXPECT_EQ(load(text), 1);
        EXPECT_EQ(message(), HexOutsideWindowMessage);
        EXPECT_EQ(report_.problem, HexLoadProblem::NoData);
    }
}

// Where reading ends, and what the report says the file may hide: a file
// read to its end without an end record may have been cut off; lines that
// are not records (read before the end) are counted.
struct EndingRow {
    const char* name;
    std::string fileText;
    int expectedLength;
    bool endRecordMissing = false;
    int nonRecordLines = 0;
};
const std::string first = data(0x1000, 1), later = data(0x1100, 1);
const EndingRow endingRows[] = {
    {"exact_end_stops_reading", lines({first, endRecord, later}), 1},
    {"exact_end_stops_with_lf", lines({first, endRecord, later}, "\n"), 1},
    {"lower_case_end_reads_on", lines({first, ":00000001ff", later}), 0x101},
    {"end_with_trailing_blank_reads_on", lines({first, endRecord + " ", later}), 0x101},
    {"no_end_record", lines({first, later}, "\n"), 0x101, true},
    {"cut_at_a_line_boundary", lines({first, later}), 0x101, true},
    {"last_line_without_line_end", lines({first}) + later, 0x101, true},
    {"end_record_without_line_end", lines({first}, "\n") + endRecord, 1},
    {"lone_cr_line_ends", lines({first, later}, "\r"), 0x101, true},
    {"lone_cr_before_exact_end", lines({first, endRecord, later}, "\r"), 1},
    {"non_record_lines_counted_up_to_the_end", lines({"; made by hand", first, "", " " + later, endRecord, "notes"}),
     1, false, 3},
    {"non_record_line_in_a_cut_file", lines({first, "garbage"}), 1, true, 1},
};

class HexEnding : public HexLoad, public ::testing::WithParamInterface<EndingRow> {};
TEST_P(HexEnding, ReadsUpToTheRightPoint) {
    const EndingRow& row = GetParam();
    ASSERT_EQ(load(row.fileText), 0);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(image_->imageLength, row.expectedLength);
    EXPECT_EQ(report_.endRecordMissing, row.endRecordMissing);
    EXPECT_EQ(report_.nonRecordLines, row.nonRecordLines);
}
INSTANTIATE_TEST_SUITE_P(Rows, HexEnding, ::testing::ValuesIn(endingRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The words the command line carries into its output and records.
TEST(HexLoadWarnings, NameWhatTheReportSays) {
    const auto report = [](bool missing, int nonRecord) {
        HexLoadReport r;
        r.endRecordMissing = missing;
        r.nonRecordLines = nonRecord;
        return r;
    };
    using Words = std::vector<std::string>;
    EXPECT_EQ(hexLoadWarnings(report(false, 0)), Words{});
    EXPECT_EQ(hexLoadWarnings(report(true, 0)), Words{"no end record"});
    EXPECT_EQ(hexLoadWarnings(report(false, 12)), Words{"12 lines are not records"});
    EXPECT_EQ(hexLoadWarnings(report(true, 1)), (Words{"no end record", "1 lines are not records"}));
}

TEST_F(HexLoad, LinesUpTo1024CharactersAndNoLonger) {
    // 255 data bytes take 521 characters; blanks may fill a line to 1024.
    const std::string longest = data(0x1000, 255, 1);
    const std::string filled = longest + std::string(1024 - longest.size(), ' ');
    ASSERT_EQ(load(lines({filled, data(0x1100, 255, 2), endRecord})), 0);
    EXPECT_EQ(image_->imageBytes[254], 255);
    EXPECT_EQ(image_->imageBytes[0x100], 2);
    EXPECT_EQ(image_->imageLength, 0x100 + 255);

    // One character more refuses the line, a comment line as well.
    EXPECT_EQ(load(lines({longest, filled + " ", longest})), 1);
    EXPECT_EQ(message(), ".hex 第2行格式错误!");
    EXPECT_EQ(load(lines({longest, longest, std::string(1025, ';')})), 1);
    EXPECT_EQ(message(), ".hex 第3行格式错误!");
}

struct FormatErrorRow {
    const char* name;
    std::string line;
};
std::string with(std::string text, std::size_t pos, char ch) { return text.replace(pos, 1, 1, ch); }
const std::string good = data(0x1000, 4);  // 19 characters, checksum at 17-18
const FormatErrorRow formatErrorRows[] = {
    {"colon_only", ":"},
    {"shorter_than_its_count", good.substr(0, 17)},
    {"count_promises_more_data", ":10100000112233445566E0"},
    {"non_digit_in_count", with(good, 2, 'G')},
    {"non_digit_in_address", with(good, 4, ' ')},
    {"non_digit_in_data", with(good, 12, 'z')},
    {"cr_inside_record", with(good, 10, '\r')},
    {"non_digit_in_checksum", with(good, 18, '.')},
    {"wrong_checksum", with(good, 18, good[18] == '0' ? '1' : '0')},
    {"end_type_with_wrong_checksum", ":00000001FE"},
    {"linear_address_without_value", ":00000004FC"},
    {"segment_address_too_short", ":0100000210ED"},
    {"letters_after_checksum", good + "ZZ"},
    {"nul_after_checksum", good + std::string(1, '\0')},
    {"junk_after_blanks", good + " \t x"},
    {"thousand_junk_characters", good + std::string(1000, 'x')},
};

class HexFormatError : public HexLoad, public ::testing::WithParamInterface<FormatErrorRow> {};
TEST_P(HexFormatError, RefusesWithLineNumber) {
    // Lines that are skipped or end in blanks after a good record still count.
    EXPECT_EQ(load(lines({good, "", "comment", good + " \t ", GetParam().line, good})), 1);
    EXPECT_EQ(message(), hexFormatErrorMessage(5));
}
INSTANTIATE_TEST_SUITE_P(Rows, HexFormatError, ::testing::ValuesIn(formatErrorRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct WindowRow {
    const char* name;
    int chipFamily, bootloadType;
    const char* userOffsetHex;
    int areaKiB;
    std::string addressRecords;  // lines before the data record
    uint16_t address;
    int count;
    int offset;  // where the first byte lands; -1 = refused
};
const WindowRow windowRows[] = {
    {"kq581x_last_full_record", 0, 0, "0", 0, "", 0xFDF0, 16, 0xFDF0},
    {"kq581x_limit_refused", 0, 0, "0", 0, "", 0xFE00, 1, -1},
    {"kq581x_last_byte_crosses_limit", 0, 0, "0", 0, "", 0xFDF8, 16, -1},
    {"kq581x_below_user_offset", 0, 0, "1000", 0, "", 0x0FF0, 16, -1},
    {"kq581x_count_zero_still_tested", 0, 0, "1000", 0, "", 0x0F00, 0, -1},
    {"kq581x_linear_00ff_counts_as_0", 0, 0, "1000", 0, linear(0x00FF), 0x2000, 16, 0x1000},
    {"kq581x_linear_0001_refused", 0, 0, "1000", 0, linear(0x0001), 0x2000, 16, -1},
    {"kq581x_area_does_not_narrow", 0, 1, "1000", 1, "", 0x8000, 16, 0x7000},
    {"kq58xx_last_address", 1, 0, "4000", 0, linear(0x0007), 0xFFFF, 1, 0x7BFFF},
    {"kq58xx_limit_refused", 1, 0, "4000", 0, linear(0x0008), 0x0000, 1, -1},
    {"kq58xx_last_byte_crosses_limit", 1, 0, "4000", 0, linear(0x0007), 0xFFF8, 16, -1},
    {"kq58xx_linear_00ff_not_special", 1, 0, "0", 0, linear(0x00FF), 0x0000, 1, -1},
    {"kq58xx_image_end_reached", 1, 2, "0", 0, linear(0x0007), 0xFFF0, 16, 0x7FFF0},
    {"kq58xx_backup_area_last_record", 1, 1, "4000", 52, linear(0x0001), 0x0FF0, 16, 0xCFF0},
    {"kq58xx_backup_area_limit", 1, 1, "4000", 52, linear(0x0001), 0x1000, 1, -1},
    {"kq58xx_backup_area_crossed", 1, 1, "4000", 52, linear(0x0001), 0x0FF8, 16, -1},
    {"kq58xx_other_type_ignores_area", 1, 2, "4000", 52, linear(0x0001), 0x1000, 16, 0xD000},
    {"segment_address_times_16", 1, 0, "4000", 0, segment(0x1000), 0x0010, 4, 0xC010},
    {"linear_replaces_segment", 1, 0, "4000", 0, lines({segment(0x1000)}) + linear(0), 0x4000, 4, 0},
    {"segment_replaces_linear", 0, 0, "1000", 0, lines({linear(0x0007)}) + segment(0x0100), 0x0000, 4, 0},
};

class HexWindow : public HexLoad, public ::testing::WithParamInterface<WindowRow> {};
TEST_P(HexWindow, AcceptsOnlyRecordsWhollyInside) {
    const WindowRow& row = GetParam();
    inputs_ = {inputs_.hexPath, row.userOffsetHex, row.chipFamily, row.bootloadType, row.areaKiB};
    const std::string prefix = row.addressRecords.empty() ? "" : row.addressRecords + "\r\n";
    const int result = load(prefix + lines({data(row.address, row.count), endRecord}));
    if (row.offset < 0) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(message(), HexOutsideWindowMessage);
        return;
    }
    ASSERT_EQ(result, 0);
    EXPECT_EQ(image_->imageBytes[row.offset], 0x30);
    EXPECT_EQ(image_->imageLength, row.offset + row.count);
}
INSTANTIATE_TEST_SUITE_P(Rows, HexWindow, ::testing::ValuesIn(windowRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HexLoad, MissingFileLeavesTheImageAloneAndReportsWhy) {
    image_->imageBytes.fill(0x11);
    image_->imageLength = 7;
    for (const std::string& path : {std::string(), (dir_ / "absent.hex").string(), dir_.string()}) {
        inputs_.hexPath = path;
        EXPECT_EQ(loadPath(), 1) << path;
        EXPECT_EQ(message(), HexMissingMessage) << path;
        EXPECT_EQ(report_.problem, HexLoadProblem::CannotOpen) << path;
    }
    EXPECT_EQ(report_.openError, FileOpenError::NotRegularFile);  // the folder, last
    EXPECT_EQ(image_->imageLength, 7);
    EXPECT_EQ(image_->imageBytes[ImageCapacity - 1], 0x11);
}

// A file made by srec_cat: LF line ends, data placed by segment address records.
TEST_F(HexLoad, SrecCatFileWithLfEndsAndSegmentAddresses) {
    inputs_ = {source_tree::sourcePath("tests/fixtures/hex/user_segment_lf.hex"), "4000", 1, 0, 0};
    ASSERT_EQ(loadPath(), 0) << (messages_.empty() ? "" : messages_.front());
    EXPECT_EQ(image_->imageLength, 0x10200 - 0x4000);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image_->imageBytes[0xC100]), 8), "useruser");
    EXPECT_EQ(image_->imageBytes[0xC0FF], ImageFill);
}

// The demo files load with their family's default settings, local and remote with backup.
struct SampleRow {
    const char* name;
    HexLoadInputs inputs;
};
const SampleRow sampleRows[] = {
    {"kq581x_local", {"demo_kq581x.hex", "1000", 0, 0, 56}},
    {"kq581x_remote_backup", {"demo_kq581x.hex", "1000", 0, 1, 28}},
    {"kq58xx_local", {"demo_kq58xx.hex", "4000", 1, 0, 56}},
    {"kq58xx_remote_backup", {"demo_kq58xx.hex", "4000", 1, 1, 52}},
};

class HexSample : public HexLoad, public ::testing::WithParamInterface<SampleRow> {};
TEST_P(HexSample, LoadsWithDefaultSettings) {
    inputs_ = GetParam().inputs;
    inputs_.hexPath = source_tree::sourcePath("samples/" + inputs_.hexPath);
    ASSERT_EQ(loadPath(), 0) << (messages_.empty() ? "" : messages_.front());
    EXPECT_GT(image_->imageLength, 4096);
    EXPECT_NE(image_->imageBytes[0], ImageFill);  // the program starts at the user offset
}
INSTANTIATE_TEST_SUITE_P(Rows, HexSample, ::testing::ValuesIn(sampleRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kq
