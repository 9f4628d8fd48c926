// What a window program does with its command line and environment before
// it creates its window: --help (or -h) and --version print and end it;
// without a display to open the window on it ends with one line that says
// so, where the toolkit would abort. Every other argument is ignored, as the
// windows always have (the toolkit reads its own, such as -platform).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kq {

// The variables that decide whether the window can be shown; an unset
// variable is empty.
struct WindowEnvironment {
    std::string display{};         // $DISPLAY, the X11 display
    std::string waylandDisplay{};  // $WAYLAND_DISPLAY
    std::string qtPlatform{};      // $QT_QPA_PLATFORM, the toolkit's platform list
};

// This process's variables.
WindowEnvironment windowEnvironment();

struct WindowProgram {
    std::string_view name;  // "flashwright"; its command is name + "-cli"
    std::string_view help;  // what --help prints
};

struct WindowStart {
    bool openWindow = true;
    int exitStatus = 0;  // when not openWindow: 0 after --help or --version, 1 without a display
    std::string out{};   // for stdout
    std::string err{};   // for stderr
};

// args without the program name. The toolkit's platform is the last
// -platform NAME argument, else $QT_QPA_PLATFORM, else X11 or Wayland,
// whichever has a display; a list of platforms is tried in order (names
// separated by ';', a name's options after ':'). X11 needs $DISPLAY or a
// -display NAME argument, Wayland $WAYLAND_DISPLAY; any other platform
// (offscreen, minimal, vnc, a frame buffer) is the toolkit's to judge.
WindowStart decideWindowStart(const WindowProgram& program, std::span<const std::string> args,
                              const WindowEnvironment& env);

// "flashwright: no display: set DISPLAY, or use flashwright-cli" and a line feed.
std::string noDisplayLine(std::string_view program);

// decideWindowStart for this process, its texts written out: the exit
// status when the program is to end now, nullopt when it is to open its window.
std::optional<int> endBeforeWindow(const WindowProgram& program, int argc, char** argv);

}  // namespace kq
