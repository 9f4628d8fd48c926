// kqsim playing a production fixture against flashwright-cli: a module that
// is replaced after its upgrade, and an adapter that is unplugged and
// plugged in again.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "e2e/flasher_session.h"
#include "image/firmware_image.h"
#include "support/whole_file_text.h"

namespace kq::testing {
namespace {

using namespace std::chrono_literals;

const Sample& sample = sample251();

// The user program of a flash dump.
std::string userProgram(const std::string& dump) {
    const size_t length = static_cast<size_t>(sample.sectors) * SectorSize;
    return dump.size() < sample.userOffset + length ? "" : dump.substr(sample.userOffset, length);
}

bool linkExists(const std::string& path) {
    struct stat info{};
    return ::lstat(path.c_str(), &info) == 0;
}

// The local upgrade ends with a jump: the module leaves, and 1.5 s later the
// next one is there, answering from the address after the first one's. The
// remote upgrade with backup that follows at once finds nobody at first, and
// its configure, retried, reaches the new module.
TEST(Fixture, AReplacedModuleAnswersFromTheNextAddressAfterItsTimeAway) {
    constexpr double AwayMs = 1500;
    FlasherSession session({"--family", sample.chip, "--replace-after", "1500"});
    ASSERT_TRUE(session.ready()) << session.error();
    const ProcessResult local = session.flash({"--chip", sample.chip, sample.hexPath});
    EXPECT_EQ(local.exitCode, 0) << local.out;
    const ProcessResult backup =
        session.flash({"--chip", sample.chip, "--type", "backup", "--address", "000000000002", sample.hexPath});
    EXPECT_EQ(backup.exitCode, 0) << backup.out;
    ASSERT_TRUE(session.sim().stop());

    const std::vector<RequestRecord> requests = session.sim().requests();
    size_t jump = 0;
    while (jump < requests.size() && requests[jump].name != "jump") ++jump;
    ASSERT_LT(jump, requests.size());
    size_t answered = jump + 1;
    for (; answered < requests.size() && requests[answered].reply == "absent"; ++answered) {
        EXPECT_LT(requests[answered].timeMs, requests[jump].timeMs + AwayMs);
    }
    ASSERT_GT(answered, jump + 1) << "the first configure came while nobody was there";
    ASSERT_LT(answered, requests.size());
    EXPECT_EQ(requests[answered].name, "remote-configure");
    EXPECT_EQ(requests[answered].reply, "ok");
    EXPECT_GE(requests[answered].timeMs, requests[jump].timeMs + AwayMs);

    // The first module's flash was kept as it left; the second got the same program.
    const std::string first = userProgram(test::wholeFileText(session.folder().file("flash-000000000001.bin")));
    EXPECT_NE(first, "");
    EXPECT_NE(first.find_first_not_of('\xFF'), std::string::npos);
    EXPECT_EQ(userProgram(test::wholeFileText(session.sim().dumpPath())), first);
}

// The line goes after the erase: the run fails as with a pulled adapter, and
// the module comes back under the same name, where the next run finds it.
TEST(Fixture, AnUnpluggedLinkComesBackUnderItsName) {
    FlasherSession session({"--family", sample.chip, "--unplug-after", "2:800"});
    ASSERT_TRUE(session.ready()) << session.error();
    const std::string port = session.sim().portName();
    const ProcessResult lost = session.flash({"--chip", sample.chip, sample.hexPath});
    EXPECT_NE(lost.exitCode, 0) << lost.out;
    EXPECT_FALSE(linkExists(port)) << "gone while unplugged";

    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!linkExists(port) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(linkExists(port));
    const ProcessResult again = session.flash({"--chip", sample.chip, sample.hexPath});
    EXPECT_EQ(again.exitCode, 0) << again.out;
    ASSERT_TRUE(session.sim().stop());
    EXPECT_NE(test::wholeFileText(session.folder().file("sim.err")).find("kqsim: back on " + port + " (/dev/pts/"),
              std::string::npos);
}

}  // namespace
}  // namespace kq::testing
