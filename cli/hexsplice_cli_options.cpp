#include "cli/hexsplice_cli_options.h"

#include <array>
#include <optional>

#include "formats/option_reader.h"
#include "image/chip_family.h"
#include "merge/merge_engine.h"

namespace kq {
namespace {

constexpr std::array<KnownOption, 2> KnownOptions = {{
    {.name = "--chip"},
    {.name = "-o", .alias = "--output"},
}};

HexspliceCliOptions usageError(std::string message) {
    HexspliceCliOptions options;
    options.action = HexspliceCliOptions::UsageError;
    options.error = std::move(message);
    return options;
}

}  // namespace

std::string hexspliceCliUsage() {
    return "Usage: hexsplice-cli [--chip 251|arm] BOOT.hex USER.hex [-o OUT]\n"
           "\n"
           "Joins a bootloader HEX file and a user-program HEX file into one HEX file:\n"
           "the bootloader without its end record, then the whole user program.\n"
           "Both files are tested first: size and end record, every record as\n"
           "flashwright reads it, the chip family's address limit, and that the user\n"
           "program lies wholly above the bootloader.\n"
           "\n"
           "  --chip 251   KQ581X (251 core), limit 63.5K (the default)\n"
           "  --chip arm   KQ58XX (ARM core), limit 512K\n"
           "  -o OUT       output file (default: " +
           std::string(MergedFileName) +
           " in the current directory;\n"
           "               never one of the input files)\n"
           "  -h, --help   show this text\n"
           "  --version    show the version\n"
           "\n"
           "The success line goes to stdout, every other message to stderr.\n"
           "Exit status: 0 merged, 1 the files were refused,\n"
           "2 usage error or an output that is an input, 3 the output could not be\n"
           "written.\n";
}

HexspliceCliOptions parseHexspliceCliOptions(const std::vector<std::string>& args) {
    const CommandLine line = readCommandLine(args, KnownOptions);
    HexspliceCliOptions options;
    switch (line.status) {
    case CommandLineStatus::Help: options.action = HexspliceCliOptions::ShowHelp; return options;
    case CommandLineStatus::Version: options.action = HexspliceCliOptions::ShowVersion; return options;
    case CommandLineStatus::Error: return usageError(line.error);
    case CommandLineStatus::Run: break;
    }
    if (const std::optional<std::string> chip = line.value("--chip")) {
        const std::optional<int> family = choiceIndex(ChipFamilyChoices, *chip);
        if (!family) return usageError(optionValueError("--chip", *chip, "use " + choiceWords(ChipFamilyChoices)));
        options.chipFamily = *family;
    }
    options.outputPath = line.value("-o").value_or(std::string(MergedFileName));
    if (options.outputPath.empty()) return usageError("-o needs a value");
    if (line.operands.size() != 2) return usageError("expected two files: BOOT.hex USER.hex");
    options.bootPath = line.operands[0];
    options.userPath = line.operands[1];
    return options;
}

}  // namespace kq
