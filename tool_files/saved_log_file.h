// Saved logs: "日志保存--<time>.txt" in the tool folder, the log's text in
// GB18030 followed by one NUL byte.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace kq {

// toolFolder + "日志保存--" + t in local time as "%y年%m月%d日%H时%M分%S秒" + ".txt".
std::string savedLogPath(const std::string& toolFolder, std::time_t t);

// Writes the log text (UTF-8, CR LF line breaks) and a NUL from the first byte
// of the file; a longer file of the same name keeps its bytes beyond them.
// The file is replaced whole or not at all; false when nothing was written.
bool writeSavedLog(const std::string& path, std::string_view text);

}  // namespace kq
