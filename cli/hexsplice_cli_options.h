// Command line of hexsplice-cli.
#pragma once

#include <string>
#include <vector>

namespace kq {

struct HexspliceCliOptions {
    enum Action { Merge, ShowHelp, ShowVersion, UsageError };
    Action action = Merge;
    std::string error;  // what is wrong, for UsageError
    int chipFamily = 0;  // 0 KQ581X (251 core), 1 KQ58XX (ARM core)
    std::string bootPath;
    std::string userPath;
    std::string outputPath;  // default: the merged file's name in the current directory
};

// args without the program name.
HexspliceCliOptions parseHexspliceCliOptions(const std::vector<std::string>& args);
// The --help text.
std::string hexspliceCliUsage();

}  // namespace kq
