// A window program before its window: help and version, and whether the
// toolkit has a display to open it on, for the combinations of variables
// and toolkit arguments that decide it.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "platform/program_version.h"
#include "platform/window_start.h"

namespace kq {
namespace {

constexpr WindowProgram Program = {.name = "flashwright", .help = "Usage: flashwright\n"};
const std::string NoDisplay = "flashwright: no display: set DISPLAY, or use flashwright-cli\n";

struct StartCase {
    const char* name = "";
    WindowEnvironment env{};
    std::vector<std::string> args{};
    bool opens = false;  // otherwise: no display, exit status 1
};

std::ostream& operator<<(std::ostream& out, const StartCase& c) { return out << c.name; }

class DecideWindowStart : public ::testing::TestWithParam<StartCase> {};

TEST_P(DecideWindowStart, OpensOnlyWhereTheToolkitHasADisplay) {
    const StartCase& c = GetParam();
    const WindowStart start = decideWindowStart(Program, c.args, c.env);
    EXPECT_EQ(start.openWindow, c.opens);
    EXPECT_EQ(start.out, "");
    EXPECT_EQ(start.exitStatus, c.opens ? 0 : 1);
    EXPECT_EQ(start.err, c.opens ? "" : NoDisplay);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, DecideWindowStart,
    ::testing::Values(
        StartCase{.name = "nothing set"},
        StartCase{.name = "empty DISPLAY", .env = {.display = ""}},
        StartCase{.name = "X11 display", .env = {.display = ":0"}, .opens = true},
        StartCase{.name = "Wayland display", .env = {.waylandDisplay = "wayland-0"}, .opens = true},
        StartCase{.name = "offscreen platform", .env = {.qtPlatform = "offscreen"}, .opens = true},
        StartCase{.name = "minimal platform with options", .env = {.qtPlatform = "minimal:enable_fonts"}, .opens = true},
        StartCase{.name = "X11 platform, Wayland display only",
                  .env = {.waylandDisplay = "wayland-0", .qtPlatform = "xcb"}},
        StartCase{.name = "Wayland platform, X11 display only", .env = {.display = ":0", .qtPlatform = "wayland"}},
        StartCase{.name = "list falls back to X11", .env = {.display = ":0", .qtPlatform = "wayland;xcb"}, .opens = true},
        StartCase{.name = "list without a display", .env = {.qtPlatform = "wayland-egl;xcb"}},
        StartCase{.name = "-platform argument", .args = {"-platform", "offscreen"}, .opens = true},
        StartCase{.name = "--platform argument", .args = {"--platform", "vnc:size=800x600"}, .opens = true},
        StartCase{.name = "argument wins over the variable", .env = {.qtPlatform = "offscreen"},
                  .args = {"-platform", "xcb"}},
        StartCase{.name = "-display argument", .args = {"-display", ":1"}, .opens = true},
        StartCase{.name = "other arguments are ignored", .env = {.display = ":0"}, .args = {"--frob", "app.hex"},
                  .opens = true},
        StartCase{.name = "help after the end of the options", .args = {"--", "--help"}}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(DecideWindowStart, HelpAndVersionNeedNoDisplayAndTheFirstWins) {
    const WindowStart help = decideWindowStart(Program, std::vector<std::string>{"--frob", "-h", "--version"}, {});
    EXPECT_FALSE(help.openWindow);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.out, "Usage: flashwright\n");
    EXPECT_EQ(help.err, "");
    const WindowStart version = decideWindowStart(Program, std::vector<std::string>{"--version", "--help"}, {});
    EXPECT_FALSE(version.openWindow);
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out, versionLine("flashwright"));
}

}  // namespace
}  // namespace kq
