// The flashwright window's logic against a fake view: start-up values, type
// rules, port list, data exchange and its refusals, the log, remembered
// files, the close guard, and whole runs over scripted commands. Ports come
// from a fake serial backend, files live in a temporary tool folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/port_lock.h"
#include "link/serial_port.h"
#include "platform/file_time.h"
#include "support/fake_serial_backend.h"
#include "support/fixed_local_time.h"
#include "support/scripted_commands.h"
#include "support/temp_hex_file.h"
#include "support/utf8_path.h"
#include "tool_files/last_path_file.h"
#include "tool_files/parameter_file.h"
#include "tool_files/saved_log_file.h"
#include "unit/merge_test_files.h"
#include "upgrade_window/entry_text.h"
#include "upgrade_window/log_colours.h"
#include "upgrade_window/upgrade_controls.h"
#include "upgrade_window/upgrade_window.h"
#include "window/fake_dialog_view.h"

namespace kq::test {
namespace {

using namespace upgrade_ids;
using kq::testing::readBytes;
using kq::testing::TempFolder;
using kq::testing::writeBytes;
using Texts = std::vector<std::string>;

constexpr std::time_t Now = 1772870709;  // 2026-03-07 16:05:09 in the fixed zone (UTC+8)
constexpr int BackupGroup[] = {UpgradeOffsetLabel, UpgradeOffsetEdit, AreaLabel, AreaEdit, KibLabel,
                               AddressLabel,       AddressEdit,       FrameLabel, FrameBox};

class UpgradeWindowTest : public FixedLocalTime {
protected:
    void SetUp() override {
        FixedLocalTime::SetUp();
        serial.fake.names = {};
        serial.fake.names[3] = "/dev/fake3";
        serial.fake.names[12] = "/dev/fake12";
    }

    // The window started on a view, as the program starts it.
    std::unique_ptr<UpgradeWindow> startOn(FakeDialogView& on, const std::string& folder) {
        UpgradeWindowServices services;
        services.now = [] { return Now; };
        services.folders = ProgramFolders::oneFolder(folder);
        services.commands = &commands;
        auto started = std::make_unique<UpgradeWindow>(on, services);
        started->start();
        return started;
    }
    UpgradeWindow& open() {
        window = startOn(view, tool.path());
        return *window;
    }

    // The user picks an item of a drop-down list.
    void choose(int box, int index) {
        view.pick(box, index);
        window->selectionChanged(box);
        window->selectionConfirmed(box);
    }
    const std::string& shown(int id) const { return view.at(id).text; }
    bool backupGroupShown(const FakeDialogView& on) const {
        for (const int id : BackupGroup)
            if (!on.at(id).visible) return false;
        return true;
    }
    bool backupGroupHidden() const {
        for (const int id : BackupGroup)
            if (view.at(id).visible) return false;
        return true;
    }
    void remember(const ParameterRecord& record) {
        ASSERT_TRUE(writeParameterFile(parameterFilePath(tool.path()), record));
    }

    ScopedFakeSerial serial;
    TempFolder tool;
    FakeDialogView view;
    ScriptedCommands commands;
    std::unique_ptr<UpgradeWindow> window;
};

// ---- start and the lists -------------------------------------------------------------

TEST_F(UpgradeWindowTest, FirstStartShowsTheDefaults) {
    open();
    const std::map<int, std::pair<Texts, int>> lists = {
        {BaudBox, {{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}, 7}},
        {ParityBox, {{"无校验", "奇校验", "偶校验"}, 0}},
        {ChipBox, {{"KQ581X(251内核)", "KQ58XX(ARM内核)"}, 0}},
        {BootloadBox, {{"本地", "远程备份", "远程不备份"}, 0}},
        {FrameBox, {{"64", "128", "256", "512"}, 3}},
        // The first port found is chosen; its item names the device.
        {PortBox, {{"COM 3 (/dev/fake3)", "COM12 (/dev/fake12)"}, 0}},
    };
    for (const auto& [id, list] : lists) {
        EXPECT_EQ(view.at(id).items, list.first) << id;
        EXPECT_EQ(view.at(id).selected, list.second) << id;
    }
    const std::map<int, std::string> texts = {
        {UserOffsetEdit, "1000"}, {UpgradeOffsetEdit, "12000"}, {AreaEdit, "56"},
        {AddressEdit, "AAAAAAAAAAAA"}, {HexPathEdit, ""}, {HexTimeLabel, ""},
    };
    for (const auto& [id, text] : texts) EXPECT_EQ(shown(id), text) << id;
    EXPECT_EQ(view.at(AddressEdit).textLimit, 12);
    EXPECT_TRUE(backupGroupHidden());
    EXPECT_EQ(view.at(upgrade_ids::StatusPicture).picture, BlankPicture);
    EXPECT_EQ(view.at(ProgressBar).progressMaximum, 0);
    EXPECT_EQ(window->values().settings.portNumber, 3);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(UpgradeWindowTest, TypeRulesSetOffsetsAndTheBackupGroup) {
    struct Row {
        int chip, type;
        const char *userOffset, *upgradeOffset, *area;  // the last two start edited to 777 / 9: "kept" shows
        bool backupShown;
    };
    const Row rows[] = {
        {0, 0, "1000", "777", "9", false},  {0, 1, "1000", "8000", "28", true}, {0, 2, "1000", "777", "9", false},
        {1, 0, "4000", "777", "9", false},  {1, 1, "4000", "11000", "52", true}, {1, 2, "4000", "777", "9", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("chip " + std::to_string(row.chip) + ", type " + std::to_string(row.type));
        open();
        // Start from the other chip and another type, so that both boxes change.
        choose(ChipBox, 1 - row.chip);
        choose(BootloadBox, row.type == 0 ? 2 : 0);
        view.type(UserOffsetEdit, "abc");
        view.type(UpgradeOffsetEdit, "777");
        view.type(AreaEdit, "9");
        choose(ChipBox, row.chip);
        choose(BootloadBox, row.type);
        EXPECT_EQ(shown(UserOffsetEdit), row.userOffset);
        EXPECT_EQ(shown(UpgradeOffsetEdit), row.upgradeOffset);
        EXPECT_EQ(shown(AreaEdit), row.area);
        EXPECT_EQ(backupGroupShown(view), row.backupShown);
        EXPECT_EQ(backupGroupHidden(), !row.backupShown);
    }
}

TEST_F(UpgradeWindowTest, LeavingBackupHidesTheGroupAndKeepsItsValues) {
    open();
    choose(ChipBox, 1);
    choose(BootloadBox, 1);
    choose(BootloadBox, 0);
    EXPECT_TRUE(backupGroupHidden());
    EXPECT_EQ(window->values().settings.upgradeOffsetHex, "11000");
    EXPECT_EQ(window->values().settings.upgradeAreaKiB, 52);
}

// ---- the port box ------------------------------------------------------------------------

TEST_F(UpgradeWindowTest, RememberedPortIndexChoosesItsItemOrTheFirst) {
    struct Row {
        int remembered, item, port;
    };
    for (const Row& row : {Row{1, 1, 12}, Row{5, 0, 3}, Row{-1, 0, 3}}) {
        SCOPED_TRACE(row.remembered);
        ParameterRecord record;
        record.savedPortIndex = row.remembered;
        remember(record);
        open();
        EXPECT_EQ(view.at(PortBox).selected, row.item);
        EXPECT_EQ(window->values().settings.portNumber, row.port);
    }
}

TEST_F(UpgradeWindowTest, ChoosingAPortItemSetsThePortNumber) {
    open();
    choose(PortBox, 1);
    EXPECT_EQ(window->values().settings.portNumber, 12);
}

TEST_F(UpgradeWindowTest, DroppingDownTheListListsAfreshAndClosesAnOpenPort) {
    open();
    ASSERT_EQ(openPort(3, 7, 8, 0, 0), PortOpenResult::Opened);
    serial.fake.names[5] = "/dev/fake5";
    serial.fake.names[7] = "\\\\.\\COM7";  // a Windows port the system gives no name: its number says it all
    window->droppingDown(PortBox);
    EXPECT_EQ(isClosed(3), 1);
    EXPECT_EQ(view.at(PortBox).items,
              (Texts{"COM 3 (/dev/fake3)", "COM 5 (/dev/fake5)", "COM 7", "COM12 (/dev/fake12)"}));
}

TEST_F(UpgradeWindowTest, NoPortFoundLeavesTheBoxEmptyAndTheRunSaysSo) {
    serial.fake.names = {};
    open();
    EXPECT_TRUE(view.at(PortBox).items.empty());
    EXPECT_EQ(window->values().settings.portNumber, 0);
    EXPECT_EQ(window->openSelectedPort(window->values().settings), SelectedPortResult::NoneChosen);
    EXPECT_EQ(shown(LogBox), "通信口没有选择");
}

// ---- data exchange ----------------------------------------------------------------------------

TEST_F(UpgradeWindowTest, ANonIntegerAreaIsRefusedAndTheReadStopsThere) {
    open();
    view.type(AreaEdit, "12K");
    choose(BootloadBox, 1);
    EXPECT_EQ(view.messages, (std::vector<ShownMessage>{{"请输入一个整数。", MessageIcon::Warning}}));
    EXPECT_EQ(view.at(AreaEdit).focusCount, 1);
    // Neither the area nor the type box was read: the pass went on with the old values.
    EXPECT_EQ(window->values().settings.bootloadType, 0);
    EXPECT_EQ(window->values().settings.upgradeAreaKiB, 56);
    EXPECT_EQ(view.at(BootloadBox).selected, 0);
    EXPECT_EQ(shown(AreaEdit), "56");
    // Values before the refused box were read.
    view.pick(BaudBox, 3);
    view.type(AreaEdit, " -7 ");
    EXPECT_TRUE(window->readValues());
    EXPECT_EQ(window->values().settings.upgradeAreaKiB, -7);
    EXPECT_EQ(window->values().settings.baudRate, 3);
}

TEST_F(UpgradeWindowTest, AnIntegerBoxTakesASignedRunOfDigitsInWhiteSpace) {
    const std::vector<std::pair<std::string, std::optional<int>>> rows = {
        {"56", 56},   {" -7 ", -7},   {"+12", 12},       {"\t8\r\n", 8},   {"\u30003\u3000", 3},  // ideographic spaces
        {"2147483647", 2147483647}, {"-2147483648", INT_MIN},
        {"2147483648", std::nullopt}, {"99999999999999999999", std::nullopt}, {"", std::nullopt},
        {"-", std::nullopt}, {"1 2", std::nullopt}, {"12K", std::nullopt}, {"0x10", std::nullopt},
        {"+-1", std::nullopt}, {"１２", std::nullopt},  // full-width digits
    };
    for (const auto& [text, value] : rows) EXPECT_EQ(wholeNumber(text), value) << text;
}

TEST_F(UpgradeWindowTest, ARememberedAddressOverTwelveCharactersIsKeptWholeAndRefused) {
    ParameterRecord record;
    record.settings.moduleAddress = "1234567890123";
    record.settings.bootloadType = RemoteWithBackup;
    remember(record);
    open();
    EXPECT_EQ(shown(AddressEdit), "1234567890123");
    EXPECT_EQ(view.at(AddressEdit).textLimit, 13);
    view.pick(BaudBox, 2);
    EXPECT_FALSE(window->readValues());
    EXPECT_EQ(view.messageTexts(), Texts{"请输入不超过 12 个字符。"});
    EXPECT_EQ(window->values().settings.baudRate, 7);  // after the address: not read
    // Twelve characters are twelve, whatever their bytes.
    view.type(AddressEdit, "地址地址地址地址地址地址");
    EXPECT_TRUE(window->readValues());
    EXPECT_EQ(editLength("地址\U0001F600"), 4);
}

TEST_F(UpgradeWindowTest, EnterReadsThenClosesAndEscClosesWhileIdle) {
    open();
    ASSERT_EQ(openPort(3, 7, 8, 0, 0), PortOpenResult::Opened);
    view.type(AreaEdit, "x");
    window->ok();
    EXPECT_FALSE(view.closed);  // the refused read keeps the window open
    view.type(AreaEdit, "20");
    window->ok();
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(window->values().settings.upgradeAreaKiB, 20);
    EXPECT_EQ(isClosed(3), 1);  // the chosen port is closed on the way out

    FakeDialogView other;
    auto second = startOn(other, tool.path());
    second->cancel();
    EXPECT_TRUE(other.closed);
    EXPECT_TRUE(other.messages.empty());
}

// ---- the log -------------------------------------------------------------------------------------

TEST_F(UpgradeWindowTest, LogColoursFollowTheLowEightBits) {
    const std::vector<std::pair<int, TextColour>> rows = {
        {0, {0, 0, 255}},   {1, {255, 0, 0}}, {2, {0, 255, 0}},   {3, {255, 255, 0}},  {4, {0, 0, 0}},
        {255, {0, 0, 0}},   {-1, {0, 0, 0}},  {256, {0, 0, 255}}, {259, {255, 255, 0}},
    };
    open();
    for (const auto& [code, colour] : rows) {
        window->appendLogColoured("coloured\r\n", code);
        EXPECT_EQ(view.at(LogBox).appended.back().colour, colour) << code;
    }
}

TEST_F(UpgradeWindowTest, PlainTextAfterAColouredLineIsBlackAndTypingStartsInTheDefault) {
    open();
    window->appendLogColoured("重新写入\r\n", LogRed);
    window->appendLog("写入成功\r\n");
    const auto& pieces = view.at(LogBox).appended;
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].colour, (TextColour{255, 0, 0}));
    EXPECT_TRUE(pieces[0].restoredDefault);  // text added later starts in the default
    EXPECT_EQ(pieces[1].colour, LogTextBlack);
    EXPECT_FALSE(pieces[1].restoredDefault);  // a plain append keeps its black
    EXPECT_EQ(shown(LogBox), "重新写入\r\n写入成功\r\n");
    // Every append writes the values back into the controls.
    view.type(UserOffsetEdit, "typed");
    window->appendLog("");
    EXPECT_EQ(shown(UserOffsetEdit), "1000");
}

TEST_F(UpgradeWindowTest, ALogPastItsLimitIsEmptiedBeforeTheNextText) {
    open();
    window->appendLog(std::string(LogTextLimit, 'x'));
    window->appendLog("A");  // at the limit, not past it
    EXPECT_EQ(view.textLength(LogBox), LogTextLimit + 1);
    window->appendLogColoured("new\r\n", LogGreen);
    EXPECT_EQ(shown(LogBox), "new\r\n");
}

TEST_F(UpgradeWindowTest, TimestampsUseLocalTime) {
    open();
    window->appendTimestamp();
    EXPECT_EQ(shown(LogBox), "2026-03-07 16:05:09\r\n");
}

TEST_F(UpgradeWindowTest, ClearingAsksAndCancelKeepsTheLog) {
    open();
    window->appendLog("line\r\n");
    view.answerOk = false;
    window->clicked(ClearLogButton);
    EXPECT_EQ(view.questions, Texts{"确认: 是否要清空日志"});
    EXPECT_EQ(shown(LogBox), "line\r\n");
    view.answerOk = true;
    window->clicked(ClearLogButton);
    EXPECT_EQ(shown(LogBox), "");
}

TEST_F(UpgradeWindowTest, ASavedLogIsItsTextAndANul) {
    open();
    window->appendLog("abc");
    window->clicked(SaveLogButton);
    const std::string path = tool.file("日志保存--26年03月07日16时05分09秒.txt");
    EXPECT_EQ(readBytes(path), std::string("abc\0", 4));
    EXPECT_EQ(view.messages, (std::vector<ShownMessage>{{"保存完毕，保存到文件" + path, MessageIcon::Information}}));
    // Two lines, one coloured, in GB18030 with CR LF breaks.
    window->appendLogColoured("\r\n失败\r\n", LogRed);
    window->clicked(SaveLogButton);
    EXPECT_EQ(readBytes(path), std::string("abc\r\n\xca\xa7\xb0\xdc\r\n\0", 12));
}

// ---- remembered files ---------------------------------------------------------------------------------

TEST_F(UpgradeWindowTest, UnwritableFilesAreReportedNotConfirmed) {
    const std::string gone = tool.file("gone/");
    window = startOn(view, gone);
    window->appendLog("abc");
    window->clicked(SaveLogButton);
    window->clicked(SaveConfigButton);
    EXPECT_EQ(view.messages, (std::vector<ShownMessage>{
                                 {"保存失败，无法写入文件" + gone + "日志保存--26年03月07日16时05分09秒.txt",
                                  MessageIcon::Warning},
                                 {"保存失败，无法写入文件" + gone + "参数配置.txt", MessageIcon::Warning}}));
}

TEST_F(UpgradeWindowTest, SavedSettingsComeBackAtTheNextStart) {
    open();
    choose(ChipBox, 1);
    choose(BootloadBox, 1);
    view.pick(BaudBox, 3);
    view.pick(ParityBox, 2);
    view.pick(FrameBox, 1);
    view.type(AddressEdit, "000000000001");
    choose(PortBox, 1);
    window->clicked(SaveConfigButton);
    EXPECT_EQ(view.messages, (std::vector<ShownMessage>{{"保存完毕", MessageIcon::Information}}));
    EXPECT_EQ(readBytes(parameterFilePath(tool.path())),
              std::string("#####000000000001##4000##11000##1##3##2##52##1##1##1#\0", 54));

    FakeDialogView next;
    const auto again = startOn(next, tool.path());
    const UpgradeSettings& s = again->values().settings;
    EXPECT_EQ(s.chipFamily, 1);
    EXPECT_EQ(s.bootloadType, 1);
    EXPECT_EQ(s.baudRate, 3);
    EXPECT_EQ(s.parity, 2);
    EXPECT_EQ(s.frameDataLength, 1);
    EXPECT_EQ(s.moduleAddress, "000000000001");
    EXPECT_EQ(s.portNumber, 12);
    EXPECT_EQ(next.at(FrameBox).selected, 1);
    EXPECT_TRUE(backupGroupShown(next));
}

TEST_F(UpgradeWindowTest, ADamagedParameterFileChangesNothing) {
    const Texts damaged = {
        "#a##b#",
        "#p##t##A##1##2##3##4##5##6##1##1",
        "#",
        "#" + std::string(1000, 'x') + "####A##1##2##3##4##5##6##1##1##1#",
    };
    for (const std::string& bytes : damaged) {
        SCOPED_TRACE(bytes.substr(0, 40));
        writeBytes(parameterFilePath(tool.path()), bytes);
        open();
        const UpgradeSettings defaults;
        EXPECT_EQ(window->values().settings.userOffsetHex, defaults.userOffsetHex);
        EXPECT_EQ(window->values().settings.moduleAddress, defaults.moduleAddress);
        EXPECT_EQ(window->values().settings.baudRate, defaults.baudRate);
        EXPECT_EQ(window->values().settings.chipFamily, defaults.chipFamily);
    }
}

TEST_F(UpgradeWindowTest, TheLastPathFileHasTheLastWord) {
    const std::string hex = tool.file("prog.hex");
    writeBytes(hex, ":00000001FF\n");
    ParameterRecord record;
    record.settings.hexPath = "/elsewhere.hex";
    record.hexFileTimeText = "old time";
    remember(record);
    // Written by hand with CR LF lines: every character of the path stays.
    writeBytes(lastPathFilePath(tool.path()), hex + "\r\nstale\r\n");
    open();
    EXPECT_EQ(shown(HexPathEdit), hex);
    EXPECT_EQ(shown(HexTimeLabel), *modifiedTimeText(hex));
}

TEST_F(UpgradeWindowTest, ARememberedFileThatWasDeletedComesUpEmpty) {
    writeBytes(lastPathFilePath(tool.path()),
               tool.file("deleted.hex") + "\r\r\n最近修改时间:2026-01-01 00:00:00\r\r\n");
    open();
    EXPECT_EQ(shown(HexPathEdit), "");
    EXPECT_EQ(shown(HexTimeLabel), "");
}

TEST_F(UpgradeWindowTest, ChoosingAFileShowsItsTimeAndCancellingKeepsIt) {
    const std::string hex = tool.file("chosen.hex");
    writeBytes(hex, ":00000001FF\n");
    open();
    view.fileAnswers = {hex};
    window->clicked(ChooseFileButton);
    const std::string time = *modifiedTimeText(hex);
    EXPECT_EQ(shown(HexPathEdit), hex);
    EXPECT_EQ(shown(HexTimeLabel), time);
    ASSERT_TRUE(std::filesystem::remove(utf8Path(lastPathFilePath(tool.path()))));
    window->clicked(ChooseFileButton);  // cancelled
    EXPECT_EQ(view.fileDialogs, 2);
    EXPECT_EQ(shown(HexPathEdit), hex);
    // A cancel still rewrites the remembered path.
    LastPath last;
    ASSERT_TRUE(readLastPathFile(tool.path(), last));
    EXPECT_EQ(last.hexPath, hex);
    EXPECT_EQ(last.hexFileTimeText, time);
}

// ---- runs ------------------------------------------------------------------------------------------------

TEST_F(UpgradeWindowTest, TheCloseGuardHoldsForEveryWayOfClosingDuringARun) {
    open();
    TempHexFile hex;
    view.type(HexPathEdit, hex.write(0x1000, programBytes(2)));
    commands.setDefault("handshake", NoReply);  // the handshake repeats unanswered until the stop
    bool portOpenDuringRun = false;
    view.onPendingEvents = [&](int call) {
        if (call != 6) return;
        window->closeRequested();
        window->cancel();
        window->ok();
        // Dropping down the port list must not close the run's port.
        window->droppingDown(PortBox);
        portOpenDuringRun = isClosed(3) == 0;
        window->clicked(StopButton);
    };
    window->clicked(UpgradeButton);
    EXPECT_TRUE(portOpenDuringRun);
    EXPECT_FALSE(view.closed);
    EXPECT_EQ(view.messages, std::vector<ShownMessage>(3, {"请停止升级，然后关闭软件", MessageIcon::Warning}));
    EXPECT_FALSE(window->upgradeRunning());
    EXPECT_EQ(isClosed(3), 1);
    EXPECT_NE(shown(LogBox).find("暂停返回"), std::string::npos);
    window->closeRequested();
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(view.messages.size(), 3u);
}

TEST_F(UpgradeWindowTest, ARemoteUpgradeWithBackupSendsTheWindowsFramesAndEndsWithTheTick) {
    open();
    choose(ChipBox, Kq58xx);
    choose(BootloadBox, RemoteWithBackup);
    EXPECT_EQ(window->values().settings.upgradeOffsetHex, "11000");
    choose(FrameBox, 2);  // 256 bytes per frame
    TempHexFile hex;
    view.fileAnswers = {hex.write(0x4000, programBytes(1000))};
    window->clicked(ChooseFileButton);
    int progressSeen = 0;
    view.onPendingEvents = [&](int) { progressSeen = std::max(progressSeen, view.at(ProgressBar).progressValue); };
    window->clicked(UpgradeButton);

    EXPECT_TRUE(shown(LogBox).ends_with("升级成功\r\n")) << shown(LogBox);
    EXPECT_EQ(view.at(upgrade_ids::StatusPicture).picture, TickPicture);
    for (const CommandCall& call : commands.callsOf("remoteWrite")) EXPECT_EQ(call.data.size(), 256u);
    EXPECT_EQ(commands.count("remoteWrite"), 4);
    EXPECT_EQ(progressSeen, 2);                          // both sectors written, while running
    EXPECT_EQ(view.at(ProgressBar).progressMaximum, 0);  // empty again once idle
    EXPECT_EQ(isClosed(3), 1);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(UpgradeWindowTest, ARefusedEraseEndsWithTheCrossAndAPressAfterwardsStartsAfresh) {
    open();
    TempHexFile hex;
    view.type(HexPathEdit, hex.write(0x1000, programBytes(600)));
    commands.script("eraseAll", {NoReply, NoReply});  // the first one and its retry
    window->clicked(UpgradeButton);
    EXPECT_NE(shown(LogBox).find("擦除失败"), std::string::npos) << shown(LogBox);
    EXPECT_EQ(view.at(upgrade_ids::StatusPicture).picture, CrossPicture);
    EXPECT_EQ(isClosed(3), 1);
    // The module refuses no more: the next press succeeds and blanks the cross first.
    int pictureAtFirstPump = -1;
    view.onPendingEvents = [&](int) {
        if (pictureAtFirstPump < 0) pictureAtFirstPump = view.at(upgrade_ids::StatusPicture).picture;
    };
    window->clicked(UpgradeButton);
    EXPECT_TRUE(shown(LogBox).ends_with("升级成功\r\n")) << shown(LogBox);
    EXPECT_EQ(pictureAtFirstPump, BlankPicture);
    EXPECT_EQ(view.at(upgrade_ids::StatusPicture).picture, TickPicture);
    EXPECT_EQ(shown(UpgradeButton), "下载");
}

// The window's run takes the port's lock file as flash does: held while the
// port is open, gone after; a lock file of another live program makes the
// port busy for the window, with the window's own lines.
TEST_F(UpgradeWindowTest, TheRunTakesThePortsLockFileAndALockOfAnotherProgramRefusesThePort) {
    const std::string lockFile = portLockPath("/dev/fake3");
    if (lockFile.empty()) GTEST_SKIP() << "this system has no lock files";
    open();
    TempHexFile hex;
    view.type(HexPathEdit, hex.write(0x1000, programBytes(600)));
    bool lockedDuringRun = false;
    view.onPendingEvents = [&](int) { lockedDuringRun = lockedDuringRun || std::filesystem::exists(lockFile); };
    window->clicked(UpgradeButton);
    EXPECT_TRUE(shown(LogBox).ends_with("升级成功\r\n")) << shown(LogBox);
    EXPECT_TRUE(lockedDuringRun);
    EXPECT_FALSE(std::filesystem::exists(lockFile));

    writeBytes(lockFile, "         1\n");  // process 1 lives as long as the system does
    view.onPendingEvents = nullptr;
    serial.fake.calls.clear();
    window->clicked(UpgradeButton);
    EXPECT_TRUE(shown(LogBox).ends_with("通信口打不开\r\n串口打开失败\r\n")) << shown(LogBox);
    EXPECT_EQ(std::count(serial.fake.calls.begin(), serial.fake.calls.end(), "open /dev/fake3"), 0);
    EXPECT_TRUE(std::filesystem::exists(lockFile));  // not ours to remove
    std::filesystem::remove(lockFile);
}

TEST_F(UpgradeWindowTest, AMissingFileIsReportedByTheLoaderAndKeepsTheTimeText) {
    TempHexFile hex;
    const std::string chosen = hex.write(0x1000, programBytes(16));
    open();
    view.fileAnswers = {chosen};
    window->clicked(ChooseFileButton);
    const std::string time = shown(HexTimeLabel);
    ASSERT_FALSE(time.empty());
    view.type(HexPathEdit, tool.file("typed.hex"));
    window->clicked(UpgradeButton);
    EXPECT_EQ(view.messages, (std::vector<ShownMessage>{{".hex 不存在!", MessageIcon::Warning}}));
    EXPECT_EQ(shown(HexTimeLabel), time);
    EXPECT_EQ(view.at(upgrade_ids::StatusPicture).picture, BlankPicture);
    EXPECT_EQ(isClosed(3), 1);
    EXPECT_TRUE(commands.calls().empty());
}

}  // namespace
}  // namespace kq::test
