// flashwright-cli station: the production station from a recipe, its rows in
// the terminal, Enter for the remote types' cycles, Ctrl-C, the summary; and
// --print-recipe.
#pragma once

#include <cstdio>

#include "cli/station_options.h"

namespace kq::cli {

// Returns the exit status: the most severe of the cycles' (2 for a recipe
// refused, 3 for a HEX file that is not the one it pins).
int runStationCommand(const StationOptions& options, std::FILE* out, std::FILE* err);

}  // namespace kq::cli
