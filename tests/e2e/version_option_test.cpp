// --version of every command-line program: its name and the project's
// version on stdout, exit status 0, whatever else the line holds.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "e2e/build_folders.h"
#include "e2e/process_runner.h"
#include "platform/program_version.h"

namespace kq::testing {
namespace {

TEST(VersionOption, EveryProgramPrintsItsNameAndTheProjectVersion) {
    EXPECT_TRUE(std::regex_match(std::string(programVersion()), std::regex(R"(\d+\.\d+\.\d+)"))) << programVersion();
    const std::vector<std::pair<std::string, std::vector<std::string>>> rows = {
        {"flashwright-cli", {"--version"}},
        {"flashwright-cli", {"flash", "--baud", "300", "--version"}},
        {"hexsplice-cli", {"--version", "--chip", "8051"}},
        {"kqsim", {"--frob", "--version"}},  // would otherwise run until signalled
    };
    for (const auto& [program, args] : rows) {
        SCOPED_TRACE(program + " " + ::testing::PrintToString(args));
        const ProcessResult r = runProcess(programPath(program), args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, program + " " + std::string(programVersion()) + "\n");
        EXPECT_EQ(r.err, "");
    }
}

}  // namespace
}  // namespace kq::testing
