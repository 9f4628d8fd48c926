// The journal's reading side, the same on every system; the appending side
// is records_journal_file_posix.cpp / _win32.cpp.
#include <string>
#include <utility>

#include "production/records_journal_file.h"

namespace kq::production {

JournalFileOpen openJournalAt(const std::string& path, uint64_t offset) {
    JournalFileOpen result;
    OpenedFile opened = openRegularFileForReading(path);
    if (opened.error != FileOpenError::None) {
        result.missing = opened.error == FileOpenError::Missing;
        result.reason = opened.systemReason.empty() ? "cannot be opened" : opened.systemReason;
        return result;
    }
    if (!seekFileTo(opened.file.get(), offset)) {
        result.reason = "cannot seek to byte " + std::to_string(offset);
        return result;
    }
    result.file = std::move(opened.file);
    return result;
}

}  // namespace kq::production
