// Whole-file reading with a size cap, and writing that never leaves a file
// half-written: the bytes go to a temporary file in the same folder, which is
// renamed over the target only once complete.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kq {

struct WholeFile {
    enum Status {
        Read,        // bytes hold the whole file
        CannotOpen,  // missing, not permitted, or not a regular file
        TooLarge,    // more than the cap; bytes stay empty
        ReadError,   // opened, but reading failed part-way
    };
    Status status = CannotOpen;
    std::string bytes;
};

// Reads the regular file at path, at most maxBytes of it.
WholeFile readWholeFile(const std::string& path, uint64_t maxBytes);
// Reads the first maxBytes of the regular file at path (all of a shorter one).
WholeFile readFileStart(const std::string& path, uint64_t maxBytes);

// Replaces (or creates) the regular file at path with bytes. Either the whole
// new content is in place afterwards, or the old file is untouched and false
// is returned. A replaced file keeps its permissions; a symbolic link is
// followed; anything but a regular file in the way (a device, a pipe, a
// folder) is refused.
bool writeFileAtomically(const std::string& path, std::string_view bytes);

// Like writeFileAtomically, but bytes overwrite the old file from its first
// byte without shortening it: whatever the old file held beyond bytes stays.
bool overwriteFromStart(const std::string& path, std::string_view bytes);

}  // namespace kq
