#include "image/hex_image.h"

#include "image/address_window.h"
#include "image/hex_record.h"
#include "image/text_line_reader.h"

namespace kq {

namespace {

constexpr std::string_view ExactEndRecord = ":00000001FF";  // only this text ends reading early

}  // namespace

std::string hexFormatErrorMessage(int lineNumber) {
    return ".hex 第" + std::to_string(lineNumber) + "行格式错误!";
}

int loadHexImage(const HexLoadInputs& inputs, FirmwareImage& image, const ShowMessage& showMessage,
                 HexLoadReport* report) {
    HexLoadReport unused;
    HexLoadReport& told = report != nullptr ? *report : unused;
    told = {};
    const auto refuse = [&](HexLoadProblem problem, std::string_view message) {
        told.problem = problem;
        if (showMessage) showMessage(message);
        return 1;
    };

    const AddressWindow window = AddressWindow::forInputs(inputs);
    const OpenedFile opened = openRegularFileForReading(inputs.hexPath);
    if (!opened.file) {
        told.openError = opened.error;
        told.systemReason = opened.systemReason;
        return refuse(HexLoadProblem::CannotOpen, HexMissingMessage);
    }

    image.imageBytes.fill(ImageFill);
    image.imageLength = 0;
    uint32_t recordBase = 0;  // set by extended address records
    bool placedData = false;  // a data byte has been stored
    bool sawEndRecord = false;  // an end record written otherwise than ExactEndRecord

    TextLineReader reader(opened.file.get());
    HexRecord record;
    for (int lineNumber = 1;; ++lineNumber) {
        const TextLineReader::Read read = reader.next();
        if (read == TextLineReader::Read::End) {
            told.endRecordMissing = !sawEndRecord;
            break;
        }
        if (read == TextLineReader::Read::Failed) return refuse(HexLoadProblem::ReadFailed, HexMissingMessage);
        if (read == TextLineReader::Read::TooLong)
            return refuse(HexLoadProblem::Malformed, hexFormatErrorMessage(lineNumber));

        const std::string_view line = reader.line();
        if (line.empty() || line[0] != ':') {
            ++told.nonRecordLines;
            continue;
        }
        if (line == ExactEndRecord) break;
        if (!parseHexRecord(line, record)) return refuse(HexLoadProblem::Malformed, hexFormatErrorMessage(lineNumber));
        switch (record.type) {
        case HexData: {
            const uint32_t full = recordBase + record.address;
            if (!window.admits(full, record.count))
                return refuse(HexLoadProblem::OutsideWindow, HexOutsideWindowMessage);
            for (int i = 0; i < record.count; ++i) {
                const int offset = static_cast<int>(full - window.base()) + i;
                image.imageBytes[offset] = record.byte(i);
                if (offset > image.imageLength) image.imageLength = offset;
            }
            placedData = placedData || record.count > 0;
            break;
        }
        case HexExtendedLinear:
        case HexExtendedSegment:
            recordBase = extendedAddressBase(record.type, record.word(), inputs.chipFamily);
            break;
        case HexEndOfFile:  // written otherwise than the exact line above: reading goes on
            sawEndRecord = true;
            break;
        default:  // start addresses
            break;
        }
    }
    // An empty file, a binary file or a text without records would otherwise
    // erase the module and write a sector of 0xFF.
    if (!placedData) return refuse(HexLoadProblem::NoData, HexOutsideWindowMessage);
    image.imageLength += 1;
    return 0;
}

}  // namespace kq
