// How the journal reaches the disk: the append, one file per OS
// (records_journal_file_posix.cpp, records_journal_file_win32.cpp), and the
// reading (records_journal_file.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/regular_file.h"

namespace kq::production {

struct JournalFileAppend {
    bool ok = false;
    std::string reason;   // the system's words for a failure
    uint64_t offset = 0;  // where line starts in the file
};

// Appends line (ending in its line break) to the file at path (UTF-8),
// made when missing, under an exclusive lock of the file; a line break goes
// first when the file's last byte is not one. Returns once the bytes are on
// the disk: written, flushed and synced, and for a new file its folder too.
JournalFileAppend appendToJournalFile(const std::string& path, std::string_view line);

struct JournalFileOpen {
    FileHandle file;       // for binary reading, positioned at the offset asked for; null on failure
    bool missing = false;  // no file of that name
    std::string reason;
};

// Opens the journal at path for reading from offset.
JournalFileOpen openJournalAt(const std::string& path, uint64_t offset);

}  // namespace kq::production
