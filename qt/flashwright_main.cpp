// flashwright: upgrades the program of a module over a serial line.
#include <QApplication>

#include <optional>

#include "platform/window_start.h"
#include "qt/display_guard.h"
#include "qt/status_pictures.h"
#include "qt/upgrade_dialog.h"

namespace {

constexpr kq::WindowProgram Program = {
    .name = "flashwright",
    .help = R"(Usage: flashwright [--help | --version]
Opens the upgrade window, which upgrades the program of a KQ581X or KQ58XX
module over a serial line. Everything is set in the window; other arguments
are ignored. The window needs a display (DISPLAY or WAYLAND_DISPLAY);
without one, flashwright-cli runs the same upgrade in a terminal.

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
    QApplication::setApplicationName(QStringLiteral("flashwright"));
    QApplication::setWindowIcon(kq::flashwrightIcon());
    kq::UpgradeDialog dialog;
    dialog.exec();
    return 0;
}
