#include "platform/window_start.h"

#include <cstdlib>
#include <iostream>
#include <vector>

#include "platform/program_version.h"

namespace kq {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The toolkit reads "--name" as "-name".
bool isToolkitOption(std::string_view arg, std::string_view name) {
    if (arg.starts_with("--")) arg.remove_prefix(1);
    return arg == name;
}

// The value of the last "-name VALUE" among args, empty when there is none.
std::string lastToolkitValue(std::span<const std::string> args, std::string_view name) {
    std::string value;
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (isToolkitOption(args[i], name)) value = args[++i];
    }
    return value;
}

std::vector<std::string_view> platformNames(std::string_view list) {
    std::vector<std::string_view> names;
    while (!list.empty()) {
        const size_t end = list.find(';');
        const std::string_view entry = list.substr(0, end);
        if (!entry.empty()) names.push_back(entry.substr(0, entry.find(':')));  // options follow a ':'
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    }
    return names;
}

bool hasDisplay(std::span<const std::string> args, const WindowEnvironment& env) {
    const bool x11 = !env.display.empty() || !lastToolkitValue(args, "-display").empty();
    const bool wayland = !env.waylandDisplay.empty();
    std::string list = lastToolkitValue(args, "-platform");
    if (list.empty()) list = env.qtPlatform;
    if (list.empty()) return x11 || wayland;
    for (const std::string_view name : platformNames(list)) {
        if (name == "xcb") {
            if (x11) return true;
        } else if (name.starts_with("wayland")) {
            if (wayland) return true;
        } else {
            return true;  // needs no display server
        }
    }
    return false;
}

}  // namespace

WindowEnvironment windowEnvironment() {
    return {.display = variable("DISPLAY"),
            .waylandDisplay = variable("WAYLAND_DISPLAY"),
            .qtPlatform = variable("QT_QPA_PLATFORM")};
}

WindowStart decideWindowStart(const WindowProgram& program, std::span<const std::string> args,
                              const WindowEnvironment& env) {
    for (const std::string& arg : args) {
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") return {.openWindow = false, .out = std::string(program.help)};
        if (arg == "--version") return {.openWindow = false, .out = versionLine(program.name)};
    }
    if (hasDisplay(args, env)) return {};
    return {.openWindow = false, .exitStatus = 1, .err = noDisplayLine(program.name)};
}

std::string noDisplayLine(std::string_view program) {
    const std::string name(program);
    return name + ": no display: set DISPLAY, or use " + name + "-cli\n";
}

std::optional<int> endBeforeWindow(const WindowProgram& program, int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const WindowStart start = decideWindowStart(program, args, windowEnvironment());
    if (start.openWindow) return std::nullopt;
    std::cout << start.out << std::flush;
    std::cerr << start.err << std::flush;
    return start.exitStatus;
}

}  // namespace kq
