// PathMemory: the two files last chosen in the merge window and their time
// lines, kept in "路径.txt" in the tool folder (GB18030, CR CR LF lines).
#pragma once

#include <string>
#include <string_view>

namespace kq {

inline constexpr std::string_view PathMemoryFileName = "路径.txt";

struct PathMemory {
    std::string bootPath;
    std::string bootTimeText;
    std::string userPath;
    std::string userTimeText;
};

// toolFolder (ending with a separator) + PathMemoryFileName.
std::string pathMemoryFile(const std::string& toolFolder);

// Reads the four remembered values into paths. Each remembered file that is
// still found gets its current time line; one that is gone clears its pair.
// False (paths unchanged) when the file cannot be read.
bool loadPathMemory(const std::string& toolFolder, PathMemory& paths);

// Writes the four values; false (nothing written, nothing shown) on failure.
bool savePathMemory(const std::string& toolFolder, const PathMemory& paths);

}  // namespace kq
