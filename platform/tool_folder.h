// Where each program keeps its files: remembered settings and paths, saved
// logs, the merged file and the ports/ links. A program run from anywhere
// but its install location (the build folder, a tool folder copied to a USB
// stick) keeps them beside itself, as a portable tool. An installed program
// cannot write where it lies and keeps them in the user's own folders
// instead. This module alone makes that decision.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kq {

// The two folders of one program, each ending with a path separator.
struct ProgramFolders {
    std::string remembered;  // remembered settings and paths
    std::string output;      // saved logs and the merged file

    // Both kinds of file in one folder.
    static ProgramFolders oneFolder(const std::string& folder) { return {folder, folder}; }
};

// Whether the running program lies in its install location: the install
// prefix's bin/ on POSIX systems, a folder under Program Files on Windows.
bool runsInstalled();

// The folders of program ("flashwright" or "hexsplice"). Portable: the
// executable's folder for both. Installed (and created when missing):
//   POSIX    $XDG_CONFIG_HOME/<program>/ (~/.config) and $XDG_DATA_HOME/<program>/ (~/.local/share)
//   Windows  %APPDATA%\<program>\ and %LOCALAPPDATA%\<program>\ .
ProgramFolders programFolders(std::string_view program);

#ifndef _WIN32
// The folders whose link COMn pins port n, the first one first, each ending
// with '/': the executable's ports/ and, installed, the user's runtime
// ports folder too ($XDG_RUNTIME_DIR/flashwright/ports/). Nothing is created;
// a runtime folder that fails its privacy check is left out.
std::vector<std::string> portLinkFolders();

// The folder in which a simulated module links its terminal, ending with
// '/': the executable's ports/ (portable) or the user's runtime ports folder
// (installed), which is created (mode 0700) when missing. Empty, with error
// set, when that folder cannot be made or is refused.
std::string portLinkFolderForNewLinks(std::string& error);
#endif

}  // namespace kq
