// A station's recipe: the pinned HEX file (its SHA-256), the upgrade settings
// under the names of flash's options, the ports and, for the remote types,
// the modules of each port; the record folder and the station's name. Read
// from a TOML file; a refusal names the file, the line and the key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "upgrade/upgrade_settings.h"

namespace kq::production {

inline constexpr uint64_t MaxRecipeBytes = 64 * 1024;  // a recipe is read whole, bytes
inline constexpr size_t MaxRecipePorts = 32;           // one per slot

struct Recipe {
    std::string path;              // the recipe file as given
    std::string stationName;       // "" = the machine's name
    std::string hexSha256;         // 64 lower-case hex digits
    UpgradeSettings settings;      // hexPath resolved against the recipe's folder; portNumber 0
    std::vector<std::string> portTexts;  // "COMn" or device paths (stable names), in order
    // The modules of every port: one address (or none) for a lone module,
    // several for a bus (remote with backup). busOfPort, when not empty,
    // holds a list per port (same order as portTexts) that replaces it.
    std::vector<std::string> moduleAddresses;
    std::vector<std::vector<std::string>> busOfPort;
    int handshakeTimeoutMs = 0;    // 0 = not given
    std::string logDir;            // "" = not given; resolved against the recipe's folder
    bool json = false;
    // The records database's ODBC connection string as written (secrets in
    // it, or ${NAME} references: never shown unmasked); "" = none.
    std::string recordsDb;
};

struct RecipeReading {
    bool ok = false;
    Recipe recipe;
    std::string error;  // "FILE:LINE: key: reason" (or "FILE: reason" when the file cannot be read)
};

// Reads and checks a recipe file.
RecipeReading readRecipe(const std::string& path);
// The same from its text; path names it in refusals and anchors its relative paths.
RecipeReading parseRecipe(std::string_view text, const std::string& path);

// A recipe file (TOML) that reads back as recipe.
std::string recipeText(const Recipe& recipe);

// The modules a port runs one after another in a cycle: its bus, else the
// recipe's list; one "" (the settings' own address) when there is none.
std::vector<std::string> modulesOfPort(const Recipe& recipe, size_t port);

}  // namespace kq::production
