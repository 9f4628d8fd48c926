// What the flashwright window's logic needs besides its view: the clock, the
// tool folder and the module's commands. Tests replace every part.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "platform/tool_folder.h"

namespace kq {

class CommandSet;

struct UpgradeWindowServices {
    // The current time, for time stamps and saved-log names.
    std::function<std::time_t()> now;
    // Folders of the remembered files and of the saved logs.
    ProgramFolders folders;
    // The bootloader commands a run sends; nullptr: the serial ones.
    CommandSet* commands = nullptr;

    // The real ones: the system clock, flashwright's folders, the serial line.
    static UpgradeWindowServices standard();
};

}  // namespace kq
