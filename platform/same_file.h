// Whether two paths name one file: what the same file on disk is, however it
// is named (another spelling, a symbolic link, a hard link), as the system
// identifies it.
#pragma once

#include <string>

namespace kq {

// True when both paths (UTF-8) name the same existing file: the same device
// and inode on POSIX systems, the same volume serial number and file index on
// Windows. False when either names nothing that can be looked at.
bool sameFile(const std::string& first, const std::string& second);

}  // namespace kq
