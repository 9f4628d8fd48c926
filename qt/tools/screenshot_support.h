// What the two screenshot programs share: their command line, read by the
// project's option reader, and the run of a window that ends with a picture
// of it. For documentation: the README's pictures are made with them.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>
#include <span>
#include <string>

#include "formats/option_reader.h"

namespace kq {

struct ScreenshotCommand {
    CommandLine line;  // every option given
    QString out;       // where the picture goes
    int chip = 0;      // chip list index: --chip 251 (default) or arm

    QString value(std::string_view option) const;
};

// Reads `--out PICTURE.png [--chip 251|arm]` plus the program's own options,
// each of which must be given. nullopt after printing the usage (for --help:
// exitStatus 0) or the error (exitStatus 2).
std::optional<ScreenshotCommand> readScreenshotCommand(int argc, char* argv[], std::span<const KnownOption> own,
                                                      const char* program, const char* usage, int& exitStatus);

// Shows the dialog; once it has been painted, act() drives it (false: give
// up, the reason already printed); once it has repainted after that, its
// picture is saved to out and the dialog ends. Returns the exit status.
int pictureAfter(QDialog& dialog, const QString& out, const char* program, const std::function<bool()>& act);

// Message boxes of a screenshot run go to stderr instead of waiting for a click.
void printMessage(const QString& text);

}  // namespace kq
