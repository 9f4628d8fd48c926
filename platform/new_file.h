// Files that must not replace anything: a record written as it grows, in a
// folder made for it on demand.
#pragma once

#include <string>

#include "platform/regular_file.h"

namespace kq {

// Creates the file at path (UTF-8) for binary writing; fails, without
// touching it, when anything of that name exists. reason: the system's words.
FileHandle createNewFile(const std::string& path, std::string& reason);

// Makes the folder at path and the folders above it that are missing; true
// when it is a folder afterwards. reason: the system's words for a failure.
bool makeFolders(const std::string& path, std::string& reason);

// Whether makeFolders could give a folder at path, found without making
// anything: "" when path is a folder, or is missing below a folder that this
// user may write; else why not, in the words makeFolders would use ("not a
// folder", the system's words).
std::string folderRefusal(const std::string& path);

// True when something of that name exists (errors other than "missing" count as existing).
bool pathTaken(const std::string& path);

}  // namespace kq
