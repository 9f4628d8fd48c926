// Where the build put the programs under test (and, from the test support,
// where the sources are).
// Only build_folders.cpp is compiled with these folders, so that the other
// test sources compile alike in every build folder (and ccache can share
// them between build folders).
#pragma once

#include <string>
#include <string_view>

#include "support/source_tree.h"

namespace kq::testing {

// A program of the build: programPath("kqsim") is <build>/bin/kqsim.
std::string programPath(std::string_view name);

using source_tree::sourcePath;

}  // namespace kq::testing
