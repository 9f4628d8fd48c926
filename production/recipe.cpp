#include "production/recipe.h"

// toml++ as a header-only library, reporting parse errors as values: no
// exception leaves the reader.
#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <span>

#include "formats/named_choice.h"
#include "link/module_address.h"
#include "link/serial_port.h"
#include "platform/whole_file.h"
#include "production/address_list.h"

namespace kq::production {

namespace {

constexpr int MaxHexDigits = 8;  // a 32-bit offset
constexpr int MaxAreaKiB = 512;
constexpr double MaxHandshakeSeconds = 86400.0;
constexpr size_t Sha256Digits = 64;

// Every key a recipe may hold; the upgrade options are named as flash's.
constexpr std::string_view KnownKeys[] = {
    "station", "hex-file", "sha256", "port", "baud", "parity", "chip", "type", "user-offset",
    "upgrade-offset", "area", "address", "address-file", "bus", "frame", "handshake-timeout", "log-dir",
    "json", "records-db",
};

// A refusal: where it is and why.
struct Refusal {
    int line = 1;
    std::string key;
    std::string reason;
};

int lineOf(const toml::node& node) {
    const int line = static_cast<int>(node.source().begin.line);
    return line > 0 ? line : 1;
}

bool isHexOffset(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    if (text.empty() || text.size() > MaxHexDigits) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return isHexDigit(c); });
}

std::string withoutHexPrefix(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    return std::string(text);
}

// The folder part of a path, with its separator; "" for a bare name.
std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

bool isAbsolute(const std::string& path) {
    if (path.starts_with("/") || path.starts_with("\\")) return true;
    return path.size() > 2 && path[1] == ':' && (path[2] == '/' || path[2] == '\\');  // C:\...
}

std::string besideRecipe(const std::string& recipePath, const std::string& path) {
    return isAbsolute(path) ? path : folderOf(recipePath) + path;
}

class Reader {
public:
    Reader(const toml::table& table, const std::string& path) : table_(table), path_(path) {}

    std::optional<Refusal> read(Recipe& recipe) {
        if (auto refusal = unknownKeys()) return refusal;
        recipe.path = path_;
        UpgradeSettings& s = recipe.settings;
        for (const auto& step : std::initializer_list<std::function<std::optional<Refusal>()>>{
                 [&] { return text("station", recipe.stationName, false); },
                 [&] { return hexFile(s); },
                 [&] { return sha256(recipe); },
                 [&] { return ports(recipe); },
                 [&] { return number("baud", BaudRates, s.baudRate); },
                 [&] { return choice("parity", ParityChoices, s.parity); },
                 [&] { return choice("chip", ChipFamilyChoices, s.chipFamily); },
                 [&] { return choice("type", BootloadTypeChoices, s.bootloadType); },
                 [&] { return number("frame", FrameDataLengths, s.frameDataLength); },
                 [&] {
                     applyTypeDefaults(s);
                     return std::optional<Refusal>();
                 },
                 [&] { return offset("user-offset", s.userOffsetHex); },
                 [&] { return offset("upgrade-offset", s.upgradeOffsetHex); },
                 [&] { return area(s); },
                 [&] { return addresses(recipe); },
                 [&] { return bus(recipe); },
                 [&] { return handshakeTimeout(recipe); },
                 [&] { return logDir(recipe); },
                 [&] { return flag("json", recipe.json); },
                 [&] { return text("records-db", recipe.recordsDb, false); },
             }) {
            if (auto refusal = step()) return refusal;
        }
        return std::nullopt;
    }

private:
    std::optional<Refusal> unknownKeys() const {
        for (const auto& [key, node] : table_) {
            const std::string_view name = key.str();
            if (std::find(std::begin(KnownKeys), std::end(KnownKeys), name) == std::end(KnownKeys)) {
                return Refusal{lineOf(node), std::string(name), "unknown key"};
            }
        }
        return std::nullopt;
    }

    static Refusal wrong(const toml::node& node, std::string_view key, std::string reason) {
        return Refusal{lineOf(node), std::string(key), std::move(reason)};
    }

    std::optional<Refusal> missing(std::string_view key) const { return Refusal{1, std::string(key), "missing"}; }

    std::optional<Refusal> text(std::string_view key, std::string& value, bool required) const {
        const toml::node* node = table_.get(key);
        if (node == nullptr) return required ? missing(key) : std::nullopt;
        const auto* string = node->as_string();
        if (string == nullptr) return wrong(*node, key, "use a string");
        if (string->get().empty()) return wrong(*node, key, "use a string that is not empty");
        value = string->get();
        return std::nullopt;
    }

    std::optional<Refusal> hexFile(UpgradeSettings& s) const {
        std::string file;
        if (auto refusal = text("hex-file", file, true)) return refusal;
        s.hexPath = besideRecipe(path_, file);
        return std::nullopt;
    }

    std::optional<Refusal> sha256(Recipe& recipe) const {
        std::string digest;
        if (auto refusal = text("sha256", digest, true)) return refusal;
        std::transform(digest.begin(), digest.end(), digest.begin(),
                       [](char c) { return c >= 'A' && c <= 'F' ? char(c - 'A' + 'a') : c; });
        if (digest.size() != Sha256Digits || !std::all_of(digest.begin(), digest.end(), isHexDigit)) {
            return wrong(*table_.get("sha256"), "sha256", "use the 64 hex digits of the file's SHA-256");
        }
        recipe.hexSha256 = digest;
        return std::nullopt;
    }

    // A string, or an array of strings; at least one.
    std::optional<Refusal> texts(std::string_view key, std::vector<std::string>& values) const {
        const toml::node* node = table_.get(key);
        if (node == nullptr) return std::nullopt;
        if (const auto* string = node->as_string()) {
            values.push_back(string->get());
            return std::nullopt;
        }
        const auto* array = node->as_array();
        if (array == nullptr) return wrong(*node, key, "use a string or an array of strings");
        for (const toml::node& item : *array) {
            const auto* string = item.as_string();
            if (string == nullptr) return wrong(item, key, "use a string or an array of strings");
            values.push_back(string->get());
        }
        if (values.empty()) return wrong(*node, key, "the array is empty");
        return std::nullopt;
    }

    std::optional<Refusal> ports(Recipe& recipe) const {
        const toml::node* node = table_.get("port");
        if (node == nullptr) return missing("port");
        if (auto refusal = texts("port", recipe.portTexts)) return refusal;
        if (recipe.portTexts.size() > MaxRecipePorts) return wrong(*node, "port", "at most 32 ports");
        for (size_t i = 0; i < recipe.portTexts.size(); ++i) {
            const std::string& port = recipe.portTexts[i];
            if (port.empty()) return wrong(*node, "port", "a port (COM1..COM32) or a device, not \"\"");
            if (std::find(recipe.portTexts.begin(), recipe.portTexts.begin() + long(i), port) !=
                recipe.portTexts.begin() + long(i)) {
                return wrong(*node, "port", port + " is given twice");
            }
        }
        return std::nullopt;
    }

    std::optional<Refusal> choice(std::string_view key, std::span<const NamedChoice> choices, int& index) const {
        const toml::node* node = table_.get(key);
        if (node == nullptr) return std::nullopt;
        const auto* string = node->as_string();
        const std::optional<int> found = string ? choiceIndex(choices, string->get()) : std::nullopt;
        if (!found) return wrong(*node, key, "use the string " + choiceWords(choices));
        index = *found;
        return std::nullopt;
    }

    std::optional<Refusal> number(std::string_view key, std::span<const int> numbers, int& index) const {
        const toml::node* node = table_.get(key);
        if (node == nullptr) return std::nullopt;
        const auto* integer = node->as_integer();
        const std::optional<int> found =
            integer ? numberIndex(numbers, std::to_string(integer->get())) : std::nullopt;
        if (!found) return wrong(*node, key, "use the number " + numberWords(numbers));
        index = *found;
        return std::nullopt;
    }

    std::optional<Refusal> offset(std::string_view key, std::string& hex) const {
        const toml::node* node = table_.get(key);
        if (node == nullptr) return std::nullopt;
        const auto* string = node->as_string();
        if (string == nullptr || !isHexOffset(string->get())) {
            return wrong(*node, key, "use a string of a hex number of at most 8 digits (\"0x1000\")");
        }
        hex = withoutHexPrefix(string->get());
        return std::nullopt;
    }

    std::optional<Refusal> area(UpgradeSettings& s) const {
        const toml::node* node = table_.get("area");
        if (node == nullptr) return std::nullopt;
        const auto* integer = node->as_integer();
        if (integer == nullptr || integer->get() < 1 || integer->get() > MaxAreaKiB) {
            return wrong(*node, "area", "use a number from 1 to 512 (KiB)");
        }
        s.upgradeAreaKiB = static_cast<int>(integer->get());
        return std::nullopt;
    }

    // Several modules on a port need the type that names the module in every command.
    std::optional<Refusal> busRule(const toml::node& node, std::string_view key, const std::vector<std::string>& list,
                                   int type) const {
        if (const std::string problem = addressListProblem(list); !problem.empty()) return wrong(node, key, problem);
        if (list.size() > 1 && type != RemoteWithBackup) {
            return wrong(node, key, "several modules on a port need type \"backup\"");
        }
        return std::nullopt;
    }

    std::optional<Refusal> checkedAddresses(const toml::node& node, std::string_view key,
                                            const std::vector<std::string>& list) const {
        for (const std::string& address : list) {
            if (!isValidModuleAddress(address)) {
                return wrong(node, key, address + ": up to 12 characters, pairs of two decimal digits or AA");
            }
        }
        return std::nullopt;
    }

    std::optional<Refusal> addresses(Recipe& recipe) const {
        const toml::node* list = table_.get("address");
        const toml::node* file = table_.get("address-file");
        if (list != nullptr && file != nullptr) {
            return wrong(*file, "address-file", "give the modules either with address or with address-file");
        }
        std::vector<std::string> found;
        if (list != nullptr) {
            if (auto refusal = texts("address", found)) return refusal;
            if (auto refusal = checkedAddresses(*list, "address", found)) return refusal;
        }
        if (file != nullptr) {
            std::string name;
            if (auto refusal = text("address-file", name, false)) return refusal;
            AddressList read = readAddressFile(besideRecipe(path_, name));
            if (!read.error.empty()) return wrong(*file, "address-file", read.error);
            found = std::move(read.addresses);
        }
        const toml::node* where = list != nullptr ? list : file;
        if (where == nullptr) return std::nullopt;
        if (auto refusal = busRule(*where, list != nullptr ? "address" : "address-file", found,
                                   recipe.settings.bootloadType)) {
            return refusal;
        }
        if (found.size() == 1) recipe.settings.moduleAddress = found[0];
        recipe.moduleAddresses = std::move(found);
        return std::nullopt;
    }

    // [bus] "PORT" = ["ADDR", ...]: the modules of one port, by the port as the
    // recipe's port list names it.
    std::optional<Refusal> bus(Recipe& recipe) const {
        const toml::node* node = table_.get("bus");
        if (node == nullptr) return std::nullopt;
        const auto* buses = node->as_table();
        if (buses == nullptr) return wrong(*node, "bus", "use a table of port = [\"address\", ...]");
        if (recipe.settings.bootloadType != RemoteWithBackup) {
            return wrong(*node, "bus", "a bus per port needs type \"backup\"");
        }
        recipe.busOfPort.assign(recipe.portTexts.size(), {});
        for (const auto& [key, value] : *buses) {
            const std::string port(key.str());
            const std::string name = "bus." + port;
            const auto at = std::find(recipe.portTexts.begin(), recipe.portTexts.end(), port);
            if (at == recipe.portTexts.end()) return wrong(value, name, "not a port of the recipe's port list");
            std::vector<std::string>& list = recipe.busOfPort[size_t(at - recipe.portTexts.begin())];
            const auto* array = value.as_array();
            if (array == nullptr || array->empty()) return wrong(value, name, "use an array of module addresses");
            for (const toml::node& item : *array) {
                const auto* string = item.as_string();
                if (string == nullptr) return wrong(item, name, "use an array of module addresses");
                list.push_back(string->get());
            }
            if (auto refusal = checkedAddresses(value, name, list)) return refusal;
            if (auto refusal = busRule(value, name, list, recipe.settings.bootloadType)) return refusal;
        }
        return std::nullopt;
    }

    std::optional<Refusal> handshakeTimeout(Recipe& recipe) const {
        const toml::node* node = table_.get("handshake-timeout");
        if (node == nullptr) return std::nullopt;
        const std::optional<double> seconds = node->is_number() ? node->value<double>() : std::nullopt;
        if (!seconds || !std::isfinite(*seconds) || *seconds <= 0 || *seconds > MaxHandshakeSeconds) {
            return wrong(*node, "handshake-timeout", "use a number of seconds above 0");
        }
        recipe.handshakeTimeoutMs = std::max(1, int(std::lround(*seconds * 1000.0)));
        return std::nullopt;
    }

    std::optional<Refusal> logDir(Recipe& recipe) const {
        std::string folder;
        if (auto refusal = text("log-dir", folder, false)) return refusal;
        if (!folder.empty()) recipe.logDir = besideRecipe(path_, folder);
        return std::nullopt;
    }

    std::optional<Refusal> flag(std::string_view key, bool& value) const {
        const toml::node* node = table_.get(key);
        if (node == nullptr) return std::nullopt;
        const auto* boolean = node->as_boolean();
        if (boolean == nullptr) return wrong(*node, key, "use true or false");
        value = boolean->get();
        return std::nullopt;
    }

    const toml::table& table_;
    const std::string& path_;
};

// A TOML basic string: quotes, and backslash escapes where TOML needs them.
std::string tomlString(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string tomlList(const std::vector<std::string>& texts) {
    std::string list = "[";
    for (size_t i = 0; i < texts.size(); ++i) list += (i > 0 ? ", " : "") + tomlString(texts[i]);
    return list + "]";
}

}  // namespace

RecipeReading parseRecipe(std::string_view text, const std::string& path) {
    RecipeReading reading;
    toml::parse_result parsed = toml::parse(text, std::string_view(path));
    if (!parsed) {
        const toml::parse_error& error = parsed.error();
        reading.error = path + ":" + std::to_string(std::max<long>(1, long(error.source().begin.line))) + ": " +
                        std::string(error.description());
        return reading;
    }
    Reader reader(parsed.table(), path);
    if (const std::optional<Refusal> refusal = reader.read(reading.recipe)) {
        reading.error = path + ":" + std::to_string(refusal->line) + ": " + refusal->key + ": " + refusal->reason;
        return reading;
    }
    reading.ok = true;
    return reading;
}

RecipeReading readRecipe(const std::string& path) {
    const WholeFile file = readWholeFile(path, MaxRecipeBytes);
    if (file.status != WholeFile::Read) {
        RecipeReading reading;
        reading.error = path + ": " +
                        (file.status == WholeFile::TooLarge ? std::string("more than 64 KiB: not a recipe")
                                                            : std::string("cannot be read"));
        return reading;
    }
    return parseRecipe(file.bytes, path);
}

std::string recipeText(const Recipe& recipe) {
    const UpgradeSettings& s = recipe.settings;
    const auto word = [](std::span<const NamedChoice> choices, int index) {
        return std::string(choices[size_t(index >= 0 && size_t(index) < choices.size() ? index : 0)].word);
    };
    std::string text = "# flashwright-cli station recipe. Relative paths are read from this file's folder.\n";
    if (!recipe.stationName.empty()) text += "station = " + tomlString(recipe.stationName) + "\n";
    text += "hex-file = " + tomlString(s.hexPath) + "\n";
    text += "sha256 = " + tomlString(recipe.hexSha256) + "\n";
    text += "port = " + tomlList(recipe.portTexts) + "\n";
    text += "baud = " + std::to_string(baudFromIndex(s.baudRate)) + "\n";
    text += "parity = " + tomlString(word(ParityChoices, s.parity)) + "\n";
    text += "chip = " + tomlString(word(ChipFamilyChoices, s.chipFamily)) + "\n";
    text += "type = " + tomlString(word(BootloadTypeChoices, s.bootloadType)) + "\n";
    text += "user-offset = " + tomlString("0x" + s.userOffsetHex) + "\n";
    if (s.bootloadType == RemoteWithBackup) {
        text += "upgrade-offset = " + tomlString("0x" + s.upgradeOffsetHex) + "\n";
        text += "area = " + std::to_string(s.upgradeAreaKiB) + "\n";
        const int frame = s.frameDataLength >= 0 && size_t(s.frameDataLength) < FrameDataLengths.size()
                              ? FrameDataLengths[size_t(s.frameDataLength)]
                              : FrameDataLengths.back();
        text += "frame = " + std::to_string(frame) + "\n";
    }
    if (!recipe.moduleAddresses.empty()) text += "address = " + tomlList(recipe.moduleAddresses) + "\n";
    if (recipe.handshakeTimeoutMs > 0) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.3f", recipe.handshakeTimeoutMs / 1000.0);
        text += std::string("handshake-timeout = ") + seconds + "\n";
    }
    text += "log-dir = " + tomlString(recipe.logDir.empty() ? "records" : recipe.logDir) + "\n";
    if (recipe.json) text += "json = true\n";
    if (!recipe.recordsDb.empty()) text += "records-db = " + tomlString(recipe.recordsDb) + "\n";
    bool busHeading = false;
    for (size_t i = 0; i < recipe.busOfPort.size() && i < recipe.portTexts.size(); ++i) {
        if (recipe.busOfPort[i].empty()) continue;
        if (!busHeading) text += "\n[bus]\n";
        busHeading = true;
        text += tomlString(recipe.portTexts[i]) + " = " + tomlList(recipe.busOfPort[i]) + "\n";
    }
    return text;
}

std::vector<std::string> modulesOfPort(const Recipe& recipe, size_t port) {
    if (port < recipe.busOfPort.size() && !recipe.busOfPort[port].empty()) return recipe.busOfPort[port];
    if (recipe.moduleAddresses.size() > 1) return recipe.moduleAddresses;
    return {""};
}

}  // namespace kq::production
