#include "cli/hexsplice_cli_options.h"

#include <string_view>
#include <vector>

#include "merge/merge_engine.h"
#include "image/chip_family.h"

namespace kq {
namespace {

HexspliceCliOptions usageError(std::string message) {
    HexspliceCliOptions options;
    options.action = HexspliceCliOptions::UsageError;
    options.error = std::move(message);
    return options;
}

bool chipFamilyOf(std::string_view name, int& family) {
    const std::optional<int> index = choiceIndex(ChipFamilyChoices, name);
    if (index) family = *index;
    return index.has_value();
}

}  // namespace

std::string hexspliceCliUsage() {
    return "Usage: hexsplice-cli [--chip 251|arm] BOOT.hex USER.hex [-o OUT]\n"
           "\n"
           "Joins a bootloader HEX file and a user-program HEX file into one HEX file:\n"
           "the bootloader without its end record, then the whole user program.\n"
           "Both files are tested first: size and end record, the chip family's\n"
           "address limit, and that the user program lies wholly above the bootloader.\n"
           "\n"
           "  --chip 251   KQ581X (251 core), limit 63.5K (the default)\n"
           "  --chip arm   KQ58XX (ARM core), limit 512K\n"
           "  -o OUT       output file (default: " +
           std::string(MergedFileName) +
           " in the current directory)\n"
           "  -h, --help   show this text\n"
           "\n"
           "The success line goes to stdout, every other message to stderr.\n"
           "Exit status: 0 merged, 1 the files were refused,\n"
           "2 usage error, 3 the output could not be written.\n";
}

HexspliceCliOptions parseHexspliceCliOptions(int argc, const char* const argv[]) {
    HexspliceCliOptions options;
    options.outputPath = std::string(MergedFileName);
    std::vector<std::string> files;
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            files.emplace_back(arg);
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (arg == "-h" || arg == "--help") {
            options.action = HexspliceCliOptions::ShowHelp;
            return options;
        } else if (arg == "--chip" || arg.starts_with("--chip=")) {
            std::string_view value;
            if (arg == "--chip") {
                if (i + 1 >= argc) return usageError("--chip needs 251 or arm");
                value = argv[++i];
            } else {
                value = arg.substr(7);
            }
            if (!chipFamilyOf(value, options.chipFamily))
                return usageError("unknown chip type '" + std::string(value) + "' (" +
                                  choiceWords(ChipFamilyChoices) + ")");
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) return usageError("-o needs a file name");
            options.outputPath = argv[++i];
        } else {
            return usageError("unknown option '" + std::string(arg) + "'");
        }
    }
    if (files.size() != 2) return usageError("expected two files: BOOT.hex USER.hex");
    options.bootPath = files[0];
    options.userPath = files[1];
    return options;
}

}  // namespace kq
