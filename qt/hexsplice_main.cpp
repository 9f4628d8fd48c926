// hexsplice: joins a bootloader HEX file and a user-program HEX file.
#include <QApplication>

#include <optional>

#include "platform/window_start.h"
#include "qt/display_guard.h"
#include "qt/app_icon.h"
#include "qt/merge_dialog.h"

namespace {

constexpr kq::WindowProgram Program = {
    .name = "hexsplice",
    .help = R"(Usage: hexsplice [--help | --version]
Opens the merge window, which joins a bootloader HEX file and a user-program
HEX file into one. Everything is chosen in the window; other arguments are
ignored. The window needs a display (DISPLAY or WAYLAND_DISPLAY); without
one, hexsplice-cli runs the same merge in a terminal.

  -h, --help     print this help and exit
      --version  print the program's name and version and exit
)",
};

}  // namespace

int main(int argc, char* argv[]) {
    if (const std::optional<int> status = kq::endBeforeWindow(Program, argc, argv)) return *status;
    std::optional<kq::DisplayGuard> guard(std::in_place, Program.name);
    QApplication app(argc, argv);
    guard.reset();
    QApplication::setApplicationName(QStringLiteral("hexsplice"));
    QApplication::setWindowIcon(kq::hexspliceIcon());
    kq::MergeDialog dialog;
    dialog.exec();
    return 0;
}
