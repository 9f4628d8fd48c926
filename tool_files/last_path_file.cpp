#include "tool_files/last_path_file.h"

#include "formats/line_file.h"
#include "platform/file_time.h"

namespace kq {
namespace {

constexpr std::size_t LastPathLines = 2;  // path, time text

}  // namespace

std::string lastPathFilePath(const std::string& toolFolder) { return toolFolder + std::string(LastPathFileName); }

bool readLastPathFile(const std::string& toolFolder, LastPath& last) {
    const auto lines = readLineFile(lastPathFilePath(toolFolder), LastPathLines);
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
