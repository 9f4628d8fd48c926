// Joins a bootloader Intel HEX file and a user-program Intel HEX file into one
// HEX file, after testing both files, the chip family's address limit and that
// the user program lies wholly above the bootloader. The merged file is the
// bootloader file without its closing end record followed by the whole user
// file; no record is generated, changed or re-ordered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/show_message.h"

namespace kq {

// What the front end supplies to a merge.
struct MergeHost {
    ShowMessage showMessage;  // the window shows it with the warning icon
    // Folder that receives the merged file, ending with a path separator.
    std::string outputFolder;
};

inline constexpr std::string_view MergedFileName = "KQ58XX_bootload_合并.hex";
inline constexpr std::string_view BootFileLabel = "bootload 引导文件";
inline constexpr std::string_view UserFileLabel = "用户程序文件";
inline constexpr std::string_view EndRecordLineCrLf = ":00000001FF\r\n";  // 13 bytes: how an input ends
inline constexpr std::string_view EndRecordLineLf = ":00000001FF\n";      // 12 bytes: the same with LF alone
inline constexpr uint64_t MinHexFileSize = 100;                           // bytes, smallest input accepted
inline constexpr uint64_t MaxHexFileSize = 16 * 1024 * 1024 - 1;          // bytes, largest input accepted

inline constexpr std::string_view MissingFileMessage = "文件不存在 !";  // after a file label
inline constexpr std::string_view DamagedFileMessage = "文件异常!";     // after a file label
inline constexpr std::string_view OverlapMessage = "用户程序与引导程序存在地址重叠";
inline constexpr std::string_view MergedMessage = "成功合并!";
inline constexpr std::string_view WriteFailedMessage = "合并文件写入失败!";

enum class MergeOutcome {
    Merged,       // the merged file is in place
    Refused,      // a test refused the inputs; nothing was written
    WriteFailed,  // the merged file could not be written; an existing one is untouched
};

// label + "第N行格式错误!": a record on line N (counted from 1) of that file
// that the HEX loader would refuse.
std::string lineFormatErrorMessage(std::string_view label, int lineNumber);

// Length of the end-record line that closes content: 13 for EndRecordLineCrLf,
// 12 for EndRecordLineLf, 0 when content ends in neither or the end record
// does not start its line. The merged file leaves exactly this line of the
// bootloader out.
std::size_t endRecordLineLength(std::string_view content);

// File test of one input: opens, size within bounds, ends in an end-record
// line. On failure shows label + the reason and returns false.
bool verifyHexFile(const std::string& path, std::string_view label, const ShowMessage& showMessage);

// Record scan of the pair (both inputs' texts, as read by the file test)
// against the family's address limit and for overlap (chipFamily 0 = KQ581X,
// anything else KQ58XX). Every record read must pass the HEX loader's record
// rule (hex digits, length, checksum, only blanks after the checksum), so
// that the merged file loads. Extended segment (02) and linear (04) address
// records set the base of the data records after them as the HEX loader
// reads them; the base carries over from the bootloader into the user
// program. On failure shows the reason and returns false.
bool scanHexPair(std::string_view bootText, std::string_view userText, int chipFamily,
                  const ShowMessage& showMessage);

// Writes the merged file of two verified inputs to outputPath, all or nothing.
// Shows nothing; false when an input cannot be read, the bootloader does not
// end in an end-record line, or the output cannot be written.
// Either input may name outputPath itself: both are read before it is replaced.
bool writeMergedFile(const std::string& bootPath, const std::string& userPath, const std::string& outputPath);

// The whole merge into outputPath, every message through showMessage except
// the success message, which is the caller's to give. Each input is read once,
// so the file written is exactly the one that was tested.
MergeOutcome runMerge(const std::string& bootPath, const std::string& userPath, int chipFamily,
                      const std::string& outputPath, const ShowMessage& showMessage);

// The merge of the window: into outputFolder + MergedFileName, showing
// MergedMessage on success. True when the merged file has been written.
bool mergeHexFiles(const std::string& bootPath, const std::string& userPath, int chipFamily,
                   const MergeHost& host);

}  // namespace kq
