#include "tool_files/last_path_file.h"

#include "platform/file_time.h"
#include "platform/line_file.h"

namespace kq {
namespace {

constexpr std::size_t LastPathLines = 2;  // path, time text

}  // namespace

std::string lastPathFilePath(const std::string& toolFolder) { return toolFolder + std::string(LastPathFileName); }

bool readLastPathFile(const std::string& toolFolder, LastPath& last) {
    // Up to two CRs before each LF are the line end, so a file edited by hand
    // with CR LF or LF lines keeps every character of its values.
    const auto lines = readLineFile(lastPathFilePath(toolFolder), LastPathLines, LineEndRule::CrsBeforeLf);
    if (!lines) return false;
    if (auto time = modifiedTimeText((*lines)[0])) {
        last.hexPath = (*lines)[0];
        last.hexFileTimeText = std::move(*time);
    } else {
        last = {};
    }
    return true;
}

bool writeLastPathFile(const std::string& toolFolder, const LastPath& last) {
    return writeLineFile(lastPathFilePath(toolFolder), {last.hexPath, last.hexFileTimeText});
}

}  // namespace kq
