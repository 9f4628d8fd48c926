#include "qt/tools/screenshot_support.h"

#include <QTimer>

#include <cstdio>
#include <vector>

#include "image/chip_family.h"

namespace kq {
namespace {

constexpr int RepaintMs = 300;  // ms for the window to lay out, scroll its log and repaint

}  // namespace

QString ScreenshotCommand::value(std::string_view option) const {
    return QString::fromStdString(line.value(option).value_or(std::string()));
}

std::optional<ScreenshotCommand> readScreenshotCommand(int argc, char* argv[], std::span<const KnownOption> own,
                                                      const char* program, const char* usage, int& exitStatus) {
    std::vector<KnownOption> known(own.begin(), own.end());
    known.push_back({"--out"});
    known.push_back({"--chip"});
    const std::vector<std::string> args(argv + 1, argv + argc);
    ScreenshotCommand command;
    command.line = readCommandLine(args, known);
    std::string error = command.line.error;
    if (command.line.status == CommandLineStatus::Run) {
        for (const KnownOption& option : known)
            if (option.name != "--chip" && !command.line.given(option.name)) error = std::string(option.name) + " is missing";
        if (!command.line.operands.empty()) error = "unexpected argument " + command.line.operands.front();
        if (const auto chip = command.line.value("--chip")) {
            const auto index = choiceIndex(ChipFamilyChoices, *chip);
            if (!index) error = optionValueError("--chip", *chip, choiceWords(ChipFamilyChoices));
            command.chip = index.value_or(0);
        }
    }
    if (command.line.status == CommandLineStatus::Help || command.line.status == CommandLineStatus::Version) {
        std::fputs(usage, stdout);
        exitStatus = 0;
        return std::nullopt;
    }
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s", program, error.c_str(), usage);
        exitStatus = 2;
        return std::nullopt;
    }
    command.out = command.value("--out");
    return command;
}

int pictureAfter(QDialog& dialog, const QString& out, const char* program, const std::function<bool()>& act) {
    int status = 1;
    dialog.show();
    QTimer::singleShot(RepaintMs, &dialog, [&] {
        if (!act()) {
            dialog.done(0);
            return;
        }
        QTimer::singleShot(RepaintMs, &dialog, [&] {
            status = dialog.grab().save(out) ? 0 : 1;
            if (status != 0) std::fprintf(stderr, "%s: cannot write %s\n", program, qPrintable(out));
            dialog.done(0);
        });
    });
    dialog.exec();
    return status;
}

void printMessage(const QString& text) { std::fprintf(stderr, "message: %s\n", text.toUtf8().constData()); }

}  // namespace kq
