// Owns one C stream (FILE*) and closes it when dropped.
#pragma once

#include <cstdio>
#include <memory>

namespace kq {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Closes the stream now and tells whether everything written reached the
// file: the close flushes, and a full disk may show up only there.
inline bool closeFile(UniqueFile& file) { return file && std::fclose(file.release()) == 0; }

}  // namespace kq
