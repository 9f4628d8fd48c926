// ParameterFile: every setting of the upgrade window in one record,
// "参数配置.txt" in the tool folder. On disk: twelve fields, each written as
// '#', its characters, '#' (so #f1##f2#...##f12#), in GB18030, then one NUL.
// A save overwrites from the first byte without shortening the file, so an
// older, longer record may remain behind the NUL; readers stop at the NUL.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "upgrade/upgrade_settings.h"

namespace kq {

inline constexpr std::string_view ParameterFileName = "参数配置.txt";

struct ParameterRecord {
    UpgradeSettings settings;      // every value but portNumber, which the file does not hold
    std::string hexFileTimeText;   // the time line shown under the path
    int savedPortIndex = 0;        // item index of the port box
};

inline constexpr std::size_t ParameterFields = 12;
inline constexpr std::size_t MaxParameterFieldBytes = 999;  // bytes of one field on disk

// toolFolder (ending with a separator) + ParameterFileName.
std::string parameterFilePath(const std::string& toolFolder);

// The record in on-disk bytes (the file's content, before or after its NUL).
// nullopt unless all twelve fields are found, each at most
// MaxParameterFieldBytes long; characters between fields and after the
// twelfth are ignored. Numbers read as a leading decimal number (blanks and
// a sign allowed, no digits giving 0, clamped to the int range).
std::optional<ParameterRecord> parseParameterBytes(std::string_view fileBytes);

// The on-disk bytes of a record, its NUL included. nullopt when a text field
// holds '#', a NUL or invalid UTF-8, or is longer than MaxParameterFieldBytes
// on disk: such a record could not be read back, and would make the whole
// file unreadable.
std::optional<std::string> encodeParameterBytes(const ParameterRecord& record);

// The record in the file at path; nullopt when it is missing, unreadable,
// shorter than 2 bytes or not a complete record.
std::optional<ParameterRecord> readParameterFile(const std::string& path);

// Writes the record from the first byte of the file, keeping whatever an
// older record left beyond the new one. The file is replaced whole or not at
// all. False when nothing was written.
bool writeParameterFile(const std::string& path, const ParameterRecord& record);

}  // namespace kq
