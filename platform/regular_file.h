// Opening an existing regular file for reading. The open never waits (a FIFO
// without a writer would otherwise hold it for ever), and anything but a
// regular file (a folder, FIFO, device or socket) is refused with its reason.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace kq {

enum class FileOpenError {
    None,
    Missing,           // nothing of that name (an empty path included)
    NotRegularFile,    // a folder, FIFO, device or socket
    PermissionDenied,
    Other,             // see OpenedFile::systemReason
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

struct OpenedFile {
    FileHandle file;                           // open for binary reading; null unless error is None
    FileOpenError error = FileOpenError::None;
    std::string systemReason;                  // the system's own words for a failure
};

// path is UTF-8.
OpenedFile openRegularFileForReading(const std::string& path);

// Moves file to offset bytes from its start, past 2 GiB too; false when the
// system refuses.
bool seekFileTo(std::FILE* file, uint64_t offset);

}  // namespace kq
