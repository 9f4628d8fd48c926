// ODBC connection strings as the user gives them (--records-db, a recipe's
// key): masking their passwords for every message and log, and taking a
// password from the environment instead of the text.
//
// A connection string is "key=value" attributes separated by ';'; a value in
// braces ("{...}", "}}" standing for '}') may hold ';' and '='. Keys are
// compared without regard to case. The values of the keys "Pwd" and
// "Password" are secrets.
//
// Environment indirection: a value written as ${NAME} (the whole value, NAME
// of letters, digits and '_', not starting with a digit) stands for the
// environment variable NAME; it reaches the driver in braces, so that the
// variable may hold ';', '=' or '}'. "Pwd=${KQ_RECORDS_PWD}" keeps the
// password out of a recipe, a command line and a shell's history. "$${" is
// a literal "${".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq::production {

constexpr std::string_view MaskedSecret = "***";

// text with the value of every secret key replaced by MaskedSecret (a
// ${NAME} reference stays as it is: it is no secret). Everything else is
// kept byte for byte, so that a user recognises the string.
std::string maskConnectionString(std::string_view text);

// text with every occurrence of each secret of at least MinMaskedSecretChars
// characters replaced by MaskedSecret: for the driver's own messages, which
// might quote a connection string or its password.
constexpr size_t MinMaskedSecretChars = 3;
std::string maskSecrets(std::string_view text, const std::vector<std::string>& secrets);

// Looks an environment variable up; nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;
// The process's own environment.
std::optional<std::string> processEnvironment(const std::string& name);

struct ExpandedConnection {
    bool ok = false;
    std::string text;                  // what the driver gets (secrets in it: never shown)
    std::string shown;                 // what messages show: the string as given, masked
    std::vector<std::string> secrets;  // the secret values, as the driver sees them, for maskSecrets
    std::string error;                 // why not: names the variable, never a value
};

// The connection string for the driver, with every ${NAME} value replaced.
// Fails when a variable is not set, or when a brace is left open.
ExpandedConnection expandConnectionString(std::string_view text, const EnvironmentLookup& lookup = processEnvironment);

}  // namespace kq::production
