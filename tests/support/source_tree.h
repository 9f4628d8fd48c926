// Where the sources are, for tests that read the repository's own files
// (samples, fixtures). Only source_tree.cpp is compiled with the folder, so
// the other test sources compile alike in every checkout and build folder.
#pragma once

#include <string>
#include <string_view>

namespace kq::source_tree {

// A file of the source tree: sourcePath("samples/x.hex").
std::string sourcePath(std::string_view relative);

}  // namespace kq::source_tree
