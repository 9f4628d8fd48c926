// The hexsplice window's logic against a fake view: start-up, remembered
// paths, the file choice, the merge and the keys.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/line_file.h"
#include "merge_window/merge_controls.h"
#include "merge_window/merge_window.h"
#include "platform/file_time.h"
#include "support/utf8_path.h"
#include "tool_files/path_memory.h"
#include "unit/merge_test_files.h"
#include "window/fake_dialog_view.h"

namespace kq::test {
namespace {

using namespace merge_ids;
using namespace kq::testing;
using Texts = std::vector<std::string>;

class MergeWindowTest : public ::testing::Test {
protected:
    MergeWindow& open() {
        window = std::make_unique<MergeWindow>(view, ProgramFolders::oneFolder(tool.path()));
        window->start();
        return *window;
    }
    std::string hexFile(const char* name, uint16_t address) {
        writeBytes(inputs.file(name), paddedTo(hexText({dataRecord(address, 16)}), 100));
        return inputs.file(name);
    }
    Texts memoryLines() const { return readLineFile(pathMemoryFile(tool.path()), 4).value_or(Texts{}); }
    const std::string& shown(int id) const { return view.at(id).text; }

    TempFolder tool;
    TempFolder inputs;
    FakeDialogView view;
    std::unique_ptr<MergeWindow> window;
};

TEST_F(MergeWindowTest, FirstStartInAnEmptyToolFolder) {
    open();
    EXPECT_EQ(view.at(ChipBox).items, (Texts{"KQ581X(251内核)", "KQ58XX(ARM内核)"}));
    EXPECT_EQ(view.at(ChipBox).selected, 0);
    for (const int id : {BootPathEdit, BootTimeLabel, UserPathEdit, UserTimeLabel}) EXPECT_EQ(shown(id), "") << id;
    EXPECT_FALSE(std::filesystem::exists(utf8Path(pathMemoryFile(tool.path()))));  // opening writes nothing
}

TEST_F(MergeWindowTest, RestoresRememberedPathsWithCurrentTimes) {
    const std::string user = hexFile("用户.hex", 0x100);
    ASSERT_TRUE(savePathMemory(tool.path(), {inputs.file("gone.hex"), "stale", user, "stale"}));
    open();
    EXPECT_EQ(shown(BootPathEdit), "");
    EXPECT_EQ(shown(BootTimeLabel), "");
    EXPECT_EQ(shown(UserPathEdit), user);
    EXPECT_EQ(shown(UserTimeLabel), *modifiedTimeText(user));
    EXPECT_EQ(view.at(ChipBox).selected, 0);
}

TEST_F(MergeWindowTest, ChoosingShowsPathAndTimeAndRemembersBoth) {
    const std::string boot = hexFile("boot.hex", 0);
    open();
    view.type(UserPathEdit, "/typed/user.hex");
    view.fileAnswers = {boot};
    window->clicked(ChooseBootButton);
    EXPECT_EQ(view.fileDialogs, 1);
    EXPECT_EQ(shown(BootPathEdit), boot);
    EXPECT_EQ(shown(BootTimeLabel), *modifiedTimeText(boot));
    // The typed user path survives the exchange and is remembered too.
    EXPECT_EQ(shown(UserPathEdit), "/typed/user.hex");
    EXPECT_EQ(memoryLines(), (Texts{boot, *modifiedTimeText(boot), "/typed/user.hex", ""}));
}

TEST_F(MergeWindowTest, CancelChangesNothingButRewritesMemory) {
    const std::string user = hexFile("user.hex", 0x100);
    ASSERT_TRUE(savePathMemory(tool.path(), {"", "", user, "t"}));
    open();
    const std::string shownTime = shown(UserTimeLabel);
    view.type(BootPathEdit, "typed");
    ASSERT_TRUE(std::filesystem::remove(utf8Path(pathMemoryFile(tool.path()))));

    window->clicked(ChooseUserButton);  // answer: cancel
    EXPECT_EQ(view.fileDialogs, 1);
    EXPECT_EQ(shown(UserPathEdit), user);
    EXPECT_EQ(shown(UserTimeLabel), shownTime);
    EXPECT_EQ(memoryLines(), (Texts{"typed", "", user, shownTime}));

    // A chosen file that is not there keeps the old time line.
    view.fileAnswers = {inputs.file("absent.hex")};
    window->clicked(ChooseUserButton);
    EXPECT_EQ(shown(UserPathEdit), inputs.file("absent.hex"));
    EXPECT_EQ(shown(UserTimeLabel), shownTime);
}

TEST_F(MergeWindowTest, EnterMergesTypedPathsAndTheWindowStaysOpenUntilEsc) {
    open();
    view.type(BootPathEdit, hexFile("boot.hex", 0));
    view.type(UserPathEdit, hexFile("user.hex", 0x100));
    window->ok();
    EXPECT_EQ(view.messages, (std::vector<ShownMessage>{{"成功合并!", MessageIcon::Warning}}));
    EXPECT_FALSE(view.closed);
    EXPECT_TRUE(std::filesystem::exists(utf8Path(tool.file("KQ58XX_bootload_合并.hex"))));
    EXPECT_FALSE(std::filesystem::exists(utf8Path(pathMemoryFile(tool.path()))));  // a merge remembers nothing
    window->cancel();
    EXPECT_TRUE(view.closed);
}

TEST_F(MergeWindowTest, TheChipTypeChoosesTheAddressLimit) {
    open();
    view.type(BootPathEdit, hexFile("boot.hex", 0));
    view.type(UserPathEdit, hexFile("high.hex", 0xFE00));
    window->clicked(MergeButton);
    view.pick(ChipBox, 1);
    window->clicked(MergeButton);
    view.pick(ChipBox, -1);  // none selected counts as KQ58XX
    window->clicked(MergeButton);
    EXPECT_EQ(view.messageTexts(), (Texts{"用户程序超63.5K!", "成功合并!", "成功合并!"}));
}

}  // namespace
}  // namespace kq::test
