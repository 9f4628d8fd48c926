#include "e2e/tool_under_test.h"

#include "e2e/build_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace kq::testing {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

const char* baseName(Tool tool) { return tool == Tool::Flasher ? "flashwright-cli" : "hexsplice-cli"; }

std::string windowsProgram(Tool tool) {
    return environment("KQ_WINDOWS_BIN_DIR") + "/" + baseName(tool) + ".exe";
}

// The C runtime of the Windows programs ends text lines with CR LF; the tests
// compare lines as the Linux programs end them.
std::string unixLineEnds(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        result += text[i];
    }
    return result;
}

// wine from PATH, by env (runProcess takes a path); env execs it in its place.
constexpr const char* EnvProgram = "/usr/bin/env";

// Refuses to run the Windows programs outside a Wine prefix (Wine would make
// ~/.wine on the first run, slowly and for good) or without them.
class WineSetting : public ::testing::Environment {
public:
    void SetUp() override {
        if (!underWine()) return;
        ASSERT_FALSE(environment("WINEPREFIX").empty())
            << "KQ_WINDOWS_BIN_DIR is set but WINEPREFIX is not: run these tests in the prefix of "
               "scripts/wine-env.sh (scripts/windows-tests.sh does)";
        for (const Tool tool : {Tool::Flasher, Tool::Merger}) {
            ASSERT_TRUE(std::filesystem::exists(windowsProgram(tool))) << windowsProgram(tool) << " is missing";
        }
    }
};

[[maybe_unused]] ::testing::Environment* const wineSetting = ::testing::AddGlobalTestEnvironment(new WineSetting);

}  // namespace

bool underWine() { return !environment("KQ_WINDOWS_BIN_DIR").empty(); }

std::string linuxProgram(Tool tool) { return programPath(baseName(tool)); }

ProcessResult runTool(Tool tool, const std::vector<std::string>& args, const ProcessOptions& options,
                      const SignalOnOutput& trigger) {
    if (!underWine()) return runProcess(linuxProgram(tool), args, options, trigger);
    std::vector<std::string> all = {"wine", windowsProgram(tool)};
    all.insert(all.end(), args.begin(), args.end());
    ProcessResult result = runProcess(EnvProgram, all, options, trigger);
    result.out = unixLineEnds(result.out);
    result.err = unixLineEnds(result.err);
    return result;
}

}  // namespace kq::testing
