// The command line of flashwright-cli station: a recipe and how the station
// shows and records its cycles, or --print-recipe with flash's options.
#pragma once

#include <span>
#include <string>

#include "cli/options.h"

namespace kq::cli {

struct StationOptions {
    bool printRecipe = false;  // write a recipe from flash's options and the file's hash
    FlashOptions flash;        // of --print-recipe
    std::string recipePath;
    std::string logDir;        // --log-dir: wins over the recipe's
    std::string recordsDb;     // --records-db as given (secrets in it: never shown unmasked); wins over the recipe's
    bool json = false;         // --json, or the recipe's json = true
    long long cycles = 0;      // --cycles: each port stops after this many cycles; 0 = no end
    std::string http;          // --http [ADDRESS:]PORT: serve the station view there; "" = none
};

// args after "station". "" when all is well, else the usage error. help and
// version as readCommandLine says.
std::string parseStationArguments(std::span<const std::string> args, StationOptions& options, bool& help,
                                  bool& version);

}  // namespace kq::cli
