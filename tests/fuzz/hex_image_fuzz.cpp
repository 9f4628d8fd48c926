// The HEX loader on arbitrary files, and on well-formed files built from the
// input whose image is known in advance.
//
// Input: chip byte, bootload byte, area size (2 bytes), offset choice, mode,
// then the file (mode bit 0 clear) or a record plan (bit 0 set).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "image/address_window.h"
#include "image/hex_image.h"
#include "image/hex_record.h"

namespace {

using kq::FirmwareImage;
using kq::HexLoadInputs;

// Offset texts around the window edges, plus the odd forms strtol accepts.
constexpr const char* OffsetTexts[] = {"", "0", "1000", "4000", "FDFF", "FE00", "7FFFF", "80000",
                                       "FFFFFFFF", "-1", "0x100", " 2000", "zz", "10000"};
constexpr size_t OffsetChoices = sizeof(OffsetTexts) / sizeof(OffsetTexts[0]);

struct Messages {
    std::vector<std::string> shown;
    kq::ShowMessage box() {
        return [this](std::string_view text) { shown.emplace_back(text); };
    }
};

FirmwareImage& image() {
    static const std::unique_ptr<FirmwareImage> storage = std::make_unique<FirmwareImage>();
    return *storage;
}

const kq::fuzz::ScratchFile& hexFile() {
    static const kq::fuzz::ScratchFile file("hex");
    return file;
}

bool tailIsFill(const FirmwareImage& loaded) {
    static const std::vector<uint8_t> fill(kq::ImageCapacity, kq::ImageFill);
    const auto tail = static_cast<size_t>(kq::ImageCapacity - loaded.imageLength);
    return std::memcmp(loaded.imageBytes.data() + loaded.imageLength, fill.data(), tail) == 0;
}

// Whether text could load at all: some line starts with ':' and none is
// longer than 1024 characters (line ends LF, CR LF or a lone CR).
bool couldLoad(std::string_view text) {
    bool anyRecord = false;
    for (size_t start = 0, i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n' && text[i] != '\r') continue;
        if (i - start > 1024) return false;
        anyRecord = anyRecord || (i > start && text[start] == ':');
        start = i + 1;
    }
    return anyRecord;
}

// Whatever the file, a load either fills an image that lies inside the window
// or refuses with exactly one of its messages. A file with no line starting
// with ':', or with a line longer than 1024 characters, is always refused.
void checkAnyLoad(const HexLoadInputs& inputs, std::string_view text) {
    Messages messages;
    FirmwareImage& loaded = image();
    kq::HexLoadReport report;
    const int result = kq::loadHexImage(inputs, loaded, messages.box(), &report);
    if (result != 0) {
        FUZZ_CHECK(result == 1);
        FUZZ_CHECK(messages.shown.size() == 1 && report.problem != kq::HexLoadProblem::None);
        const std::string& shown = messages.shown.front();
        FUZZ_CHECK(shown == kq::HexOutsideWindowMessage || shown.starts_with(".hex 第"));
        return;
    }
    FUZZ_CHECK(messages.shown.empty() && report.problem == kq::HexLoadProblem::None);
    FUZZ_CHECK(couldLoad(text));
    FUZZ_CHECK(loaded.imageLength >= 1 && loaded.imageLength <= kq::ImageCapacity);
    FUZZ_CHECK(loaded.paddedLength() <= kq::ImageCapacity);
    FUZZ_CHECK(loaded.paddedLength() >= loaded.imageLength && loaded.paddedLength() - loaded.imageLength < kq::SectorSize);
    FUZZ_CHECK(tailIsFill(loaded));

    // Some data byte was placed, so the last stored byte lies inside the window.
    const kq::AddressWindow window = kq::AddressWindow::forInputs(inputs);
    const uint64_t last = uint64_t{window.base()} + static_cast<uint64_t>(loaded.imageLength - 1);
    FUZZ_CHECK(last < kq::addressLimit(inputs.chipFamily));
    if (!kq::isKq581x(inputs.chipFamily) && inputs.bootloadType == kq::RemoteWithBackup) {
        const uint64_t areaEnd = uint64_t{window.base()} + uint64_t{static_cast<uint32_t>(inputs.upgradeAreaKiB)} * 1024;
        if (areaEnd <= UINT32_MAX) FUZZ_CHECK(last < areaEnd);
    }
}

std::string hexPair(unsigned value) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    return {Digits[value >> 4 & 0xF], Digits[value & 0xF]};
}

std::string record(unsigned type, unsigned address, const std::vector<uint8_t>& data) {
    unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + type;
    std::string line = ":" + hexPair(static_cast<unsigned>(data.size())) + hexPair(address >> 8) +
                       hexPair(address & 0xFF) + hexPair(type);
    for (uint8_t b : data) {
        line += hexPair(b);
        sum += b;
    }
    return line + hexPair((0x100 - (sum & 0xFF)) & 0xFF);
}

// A well-formed file for KQ58XX, local upgrade, offset 0: each planned record
// is (upper address 0..7, address 16 bits, 0..31 data bytes). The expected
// image is the records laid over 0xFF in file order; a record reaching past
// the 512 KiB limit must be refused, and so must a plan without a data byte.
void checkPlannedLoad(kq::fuzz::InputReader& in) {
    static const std::unique_ptr<FirmwareImage> expected = std::make_unique<FirmwareImage>();
    expected->imageBytes.fill(kq::ImageFill);
    expected->imageLength = 0;
    const char* lineEnds[] = {"\n", "\r\n", "\r"};
    const char* lineEnd = lineEnds[in.byte() % 3];
    std::string text;
    bool refused = false;
    bool placed = false;
    int upper = -1;
    while (!in.empty()) {
        const unsigned next = in.byte() & 0x07;
        const unsigned address = in.word();
        std::vector<uint8_t> data;
        for (unsigned n = in.byte() & 0x1F; n > 0 && !in.empty(); --n) data.push_back(in.byte());
        if (static_cast<int>(next) != upper) {
            upper = static_cast<int>(next);
            text += record(kq::HexExtendedLinear, 0, {0, static_cast<uint8_t>(upper)}) + lineEnd;
        }
        text += record(0, address, data) + lineEnd;
        const uint32_t full = static_cast<uint32_t>(upper) << 16 | address;
        if (refused) continue;
        if (full + (data.empty() ? 0 : data.size() - 1) >= static_cast<uint32_t>(kq::ImageCapacity)) {
            refused = true;
            continue;
        }
        placed = placed || !data.empty();
        for (size_t i = 0; i < data.size(); ++i) {
            expected->imageBytes[full + i] = data[i];
            expected->imageLength = std::max(expected->imageLength, static_cast<int>(full + i));
        }
    }
    text += std::string(":00000001FF") + lineEnd;
    hexFile().write(text);

    HexLoadInputs inputs;
    inputs.hexPath = hexFile().path();
    inputs.userOffsetHex = "0";
    inputs.chipFamily = kq::Kq58xx;
    inputs.bootloadType = kq::LocalUpgrade;
    Messages messages;
    const int result = kq::loadHexImage(inputs, image(), messages.box());
    if (refused || !placed) {
        FUZZ_CHECK(result == 1 && messages.shown.size() == 1 && messages.shown[0] == kq::HexOutsideWindowMessage);
        return;
    }
    FUZZ_CHECK(result == 0 && messages.shown.empty());
    FUZZ_CHECK(image().imageLength == expected->imageLength + 1);
    FUZZ_CHECK(image().imageBytes == expected->imageBytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kq::fuzz::InputReader in(data, size);
    HexLoadInputs inputs;
    const uint8_t chip = in.byte();
    inputs.chipFamily = (chip & 0x80) ? chip : (chip & 1);  // now and then a family index other than 0 or 1
    inputs.bootloadType = in.byte() % 4;
    inputs.upgradeAreaKiB = in.word();
    inputs.userOffsetHex = OffsetTexts[in.byte() % OffsetChoices];
    const uint8_t mode = in.byte();
    if (mode & 1) {
        checkPlannedLoad(in);
        return 0;
    }
    const std::string_view text = in.rest();
    hexFile().write(text);
    inputs.hexPath = hexFile().path();
    checkAnyLoad(inputs, text);
    return 0;
}
