#include "tool_files/path_memory.h"

#include "formats/line_file.h"
#include "platform/file_time.h"

namespace kq {
namespace {

constexpr std::size_t PathMemoryLines = 4;  // boot path, boot time, user path, user time

// Replaces a stored time line by the file's current time, or clears the pair.
void refreshPair(std::string& path, std::string& timeText) {
    if (auto current = modifiedTimeText(path)) {
        timeText = std::move(*current);
    } else {
        path.clear();
        timeText.clear();
    }
}

}  // namespace

std::string pathMemoryFile(const std::string& toolFolder) { return toolFolder + std::string(PathMemoryFileName); }

bool loadPathMemory(const std::string& toolFolder, PathMemory& paths) {
    const auto lines = readLineFile(pathMemoryFile(toolFolder), PathMemoryLines);
    if (!lines) return false;
    paths.bootPath = (*lines)[0];
    paths.bootTimeText = (*lines)[1];
    paths.userPath = (*lines)[2];
    paths.userTimeText = (*lines)[3];
    refreshPair(paths.bootPath, paths.bootTimeText);
    refreshPair(paths.userPath, paths.userTimeText);
    return true;
}

bool savePathMemory(const std::string& toolFolder, const PathMemory& paths) {
    return writeLineFile(pathMemoryFile(toolFolder),
                         {paths.bootPath, paths.bootTimeText, paths.userPath, paths.userTimeText});
}

}  // namespace kq
