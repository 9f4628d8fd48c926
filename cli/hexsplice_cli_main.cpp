// hexsplice-cli: the merge of the hexsplice window from a terminal.
//
//   hexsplice-cli [--chip 251|arm] BOOT.hex USER.hex [-o OUT]
//
// The success line goes to stdout; every other message to stderr, one per
// line. Exit status: 0 merged, 1 a test refused the files, 2 usage (an output
// that is one of the inputs included), 3 the output not written.
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/console.h"
#include "cli/hexsplice_cli_options.h"
#include "merge/merge_engine.h"
#include "platform/program_version.h"
#include "platform/same_file.h"

namespace {

constexpr int ExitMerged = 0;       // the merged file is written
constexpr int ExitRefused = 1;      // a test refused the input files
constexpr int ExitUsage = 2;        // the command line could not be understood
constexpr int ExitWriteFailed = 3;  // the merged file could not be written

}  // namespace

int main(int argc, char* argv[]) {
    kq::console::prepare();
    const kq::HexspliceCliOptions options = kq::parseHexspliceCliOptions(kq::console::arguments(argc, argv));
    switch (options.action) {
    case kq::HexspliceCliOptions::ShowVersion:
        std::cout << kq::versionLine("hexsplice-cli");
        return ExitMerged;
    case kq::HexspliceCliOptions::ShowHelp:
        std::cout << kq::hexspliceCliUsage();
        return ExitMerged;
    case kq::HexspliceCliOptions::UsageError:
        std::cerr << "hexsplice-cli: " << options.error << "\n" << kq::hexspliceCliUsage();
        return ExitUsage;
    case kq::HexspliceCliOptions::Merge:
        break;
    }

    // The merge would replace that input with the merged file: refused before
    // anything is read or written. Links to an input count as the input.
    const std::pair<const std::string&, const char*> inputs[] = {{options.bootPath, "bootloader file"},
                                                                 {options.userPath, "user-program file"}};
    for (const auto& [input, name] : inputs) {
        if (!kq::sameFile(options.outputPath, input)) continue;
        std::cerr << "hexsplice-cli: the output " << options.outputPath << " is the " << name << " " << input
                  << " itself; choose another output file with -o\n";
        return ExitUsage;
    }

    const auto toStderr = [](std::string_view text) { std::cerr << text << '\n' << std::flush; };
    switch (kq::runMerge(options.bootPath, options.userPath, options.chipFamily, options.outputPath, toStderr)) {
    case kq::MergeOutcome::Merged:
        std::cout << kq::MergedMessage << ' ' << options.outputPath << '\n';
        return ExitMerged;
    case kq::MergeOutcome::Refused:
        return ExitRefused;
    case kq::MergeOutcome::WriteFailed:
        return ExitWriteFailed;
    }
    return ExitWriteFailed;
}
