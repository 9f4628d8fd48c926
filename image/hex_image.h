// Reads an Intel HEX upgrade file into the FirmwareImage, checking every data
// record against the address window of the chip family and bootload type.
#pragma once

#include <string>
#include <string_view>

#include "image/chip_family.h"
#include "image/firmware_image.h"
#include "platform/regular_file.h"
#include "platform/show_message.h"

namespace kq {

static_assert(Kq581xAddressLimit <= ImageCapacity && Kq58xxAddressLimit <= ImageCapacity,
              "every address the window admits has room in the image");

// What the user is told when a load is refused.
inline constexpr std::string_view HexMissingMessage = ".hex 不存在!";        // no path, or unreadable
inline constexpr std::string_view HexOutsideWindowMessage = ".hex 非升级文件!";  // data outside the window, or none
// ".hex 第N行格式错误!" for a malformed record on line N (counted from 1).
std::string hexFormatErrorMessage(int lineNumber);

// What one load reads (fields of the upgrade settings).
struct HexLoadInputs {
    std::string hexPath;
    std::string userOffsetHex;  // base of the window and flash address of image offset 0
    int chipFamily = 0;         // 0 KQ581X, anything else KQ58XX
    int bootloadType = 0;       // 1 = remote with backup (the upgrade area narrows the window)
    int upgradeAreaKiB = 0;
};

// Why a load was refused, for front ends that can say more than the message.
enum class HexLoadProblem {
    None,           // the image is filled
    CannotOpen,     // HexMissingMessage; HexLoadReport::openError says why
    ReadFailed,     // HexMissingMessage: opened, but reading failed
    Malformed,      // hexFormatErrorMessage: a record, or a line longer than a line may be
    OutsideWindow,  // HexOutsideWindowMessage: a data record outside the address window
    NoData,         // HexOutsideWindowMessage: no data byte placed (not a HEX file, or an empty one)
};

struct HexLoadReport {
    HexLoadProblem problem = HexLoadProblem::None;
    FileOpenError openError = FileOpenError::None;  // for CannotOpen
    std::string systemReason;                       // the system's words for an open failure
    // What a filled image may still hide (the load goes on; hexLoadWarnings
    // names them): the file was read to its end without an end record (type
    // 01), so it may have been cut off; and how many of the lines read do not
    // start with ':' and were skipped.
    bool endRecordMissing = false;
    int nonRecordLines = 0;
};

// 0 = image filled; 1 = refused, after showMessage told the user why (and
// report, when given, says which refusal it was).
int loadHexImage(const HexLoadInputs& inputs, FirmwareImage& image, const ShowMessage& showMessage,
                 HexLoadReport* report = nullptr);

}  // namespace kq
