// What a station confirms before it touches a port: the recipe's HEX file is
// the one it pins (same SHA-256) and loads with the recipe's settings.
#pragma once

#include <string>

#include "production/recipe.h"

namespace kq::production {

struct StartCheck {
    int exitStatus = 0;   // ExitSuccess, or ExitHexRefused
    std::string message;  // why not, "" when all is well
};

StartCheck confirmRecipeFile(const Recipe& recipe);

}  // namespace kq::production
