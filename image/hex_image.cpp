#include "image/hex_image.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "image/address_window.h"
#include "image/hex_record.h"
#include "image/text_line_reader.h"

namespace kq {

namespace {

constexpr std::string_view ExactEndRecord = ":00000001FF";  // only this text ends reading early

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading; null when it cannot be opened or is a directory
// (which some systems let fopen open and then fail to read).
FilePtr openForReading(const std::string& path) {
    if (path.empty()) return nullptr;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return nullptr;
    struct stat info {};
    if (fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) return nullptr;
    return file;
}

void tell(const ShowMessage& showMessage, std::string_view text) {
    if (showMessage) showMessage(text);
}

}  // namespace

std::string hexFormatErrorMessage(int lineNumber) {
    return ".hex 第" + std::to_string(lineNumber) + "行格式错误!";
}

int loadHexImage(const HexLoadInputs& inputs, FirmwareImage& image, const ShowMessage& showMessage) {
    const AddressWindow window = AddressWindow::forInputs(inputs);
    const FilePtr file = openForReading(inputs.hexPath);
    if (!file) {
        tell(showMessage, HexMissingMessage);
        return 1;
    }

    image.imageBytes.fill(ImageFill);
    image.imageLength = 0;
    uint32_t recordBase = 0;  // set by extended address records

    TextLineReader reader(file.get());
    HexRecord record;
    for (int lineNumber = 1; reader.next(); ++lineNumber) {
        const std::string_view line = reader.line();
        if (line.empty() || line[0] != ':') continue;
        if (line == ExactEndRecord) break;
        if (!parseHexRecord(line, record)) {
            tell(showMessage, hexFormatErrorMessage(lineNumber));
            return 1;
        }
        switch (record.type) {
        case HexData: {
            const uint32_t full = recordBase + record.address;
            if (!window.admits(full, record.count)) {
                tell(showMessage, HexOutsideWindowMessage);
                return 1;
            }
            for (int i = 0; i < record.count; ++i) {
                const int offset = static_cast<int>(full - window.base()) + i;
                image.imageBytes[offset] = record.byte(i);
                if (offset > image.imageLength) image.imageLength = offset;
            }
            break;
        }
        case HexExtendedLinear:
        case HexExtendedSegment: {
            // The value is the record's first two data bytes; a record too short to hold them is malformed.
            if (record.count < 2) {
                tell(showMessage, hexFormatErrorMessage(lineNumber));
                return 1;
            }
            const uint16_t value = record.word();
            if (record.type == HexExtendedSegment)
                recordBase = static_cast<uint32_t>(value) * 16;
            else if (isKq581x(inputs.chipFamily) && value == Kq581xHighAddress)
                recordBase = 0;
            else
                recordBase = static_cast<uint32_t>(value) << 16;
            break;
        }
        default:  // end records not written exactly as above, start addresses
            break;
        }
    }
    if (reader.failed()) {
        tell(showMessage, HexMissingMessage);
        return 1;
    }
    image.imageLength += 1;
    return 0;
}

}  // namespace kq
