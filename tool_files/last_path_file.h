// LastPathFile: the last upgrade file and its time text, "用户文件路径.txt" in
// the tool folder: two lines, GB18030, each ending in CR CR LF.
#pragma once

#include <string>
#include <string_view>

namespace kq {

inline constexpr std::string_view LastPathFileName = "用户文件路径.txt";

struct LastPath {
    std::string hexPath;
    std::string hexFileTimeText;
};

// toolFolder (ending with a separator) + LastPathFileName.
std::string lastPathFilePath(const std::string& toolFolder);

// Reads the remembered path into last. When the file cannot be read, last is
// unchanged and false is returned. A remembered file that is gone clears both
// values; one still found gets its current modification time text.
bool readLastPathFile(const std::string& toolFolder, LastPath& last);

// Rewrites the file with both values; false when nothing was written.
bool writeLastPathFile(const std::string& toolFolder, const LastPath& last);

}  // namespace kq
