// The Win32 dialogs of both programs, driven by control id as a user would:
// every control of the template is there, of its kind and named for a screen
// reader; every control reaches the window logic and shows what it decides;
// the message boxes carry their titles and texts. What the logic decides is
// tested in tests/window; one whole upgrade is in win32_upgrade_test.cpp.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <vector>

#include "merge/merge_engine.h"
#include "merge_window/merge_controls.h"
#include "platform/program_version.h"
#include "support/fresh_folder.h"
#include "support/utf8_path.h"
#include "tests/win32/dialog_driver.h"
#include "tool_files/last_path_file.h"
#include "tool_files/parameter_file.h"
#include "tool_files/path_memory.h"
#include "unit/merge_test_files.h"
#include "upgrade_window/upgrade_controls.h"
#include "win32/merge_dialog.h"
#include "win32/upgrade_dialog.h"
#include "win32/win32_dialog_view.h"

using namespace kq;
using namespace kq::test;
using namespace kq::testing;

namespace {

constexpr int FileNameBox = 0x47C;  // cmb13: the open-file dialog's file name
constexpr int FileTypeBox = 0x470;  // cmb1: its file types

const auto& w = wide;
const auto& u = narrow;

// A fresh tool folder, as its path with a trailing separator.
std::string freshToolFolder() { return utf8String(makeFreshFolder("kq-dialog-")) + "\\"; }

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// Every control of the table is in the dialog, of its window class; every
// one without a caption is named by a label right before it.
void checkControls(HWND dialog, const std::map<int, std::wstring>& classes) {
    for (const auto& [id, cls] : classes) {
        const HWND control = GetDlgItem(dialog, id);
        ASSERT_NE(control, nullptr) << "control " << id;
        EXPECT_EQ(lstrcmpiW(className(control).c_str(), cls.c_str()), 0) << "control " << id << ": " << u(className(control));
        if (cls == L"Static" || cls == L"Button") continue;
        const HWND label = GetWindow(control, GW_HWNDPREV);
        EXPECT_TRUE(className(label) == L"Static" && !windowText(label).empty()) << "control " << id << " unnamed";
    }
}

// Answers the open-file dialog with a file, after checking its filter.
void chooseFile(DialogDriver& dialog, int button, const std::string& path) {
    dialog.clickLater(button);
    const ModalBox box = dialog.nextBox();
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(windowText(GetDlgItem(box.window, FileTypeBox)), L"All Files(*.hex)");
    SetDlgItemTextW(box.window, FileNameBox, w(path).c_str());
    dialog.answer(box, IDOK);
}

// Shows a box, checks its title and text, and presses a button.
void expectBox(DialogDriver& dialog, const std::wstring& title, const std::wstring& text, int button = IDOK) {
    const ModalBox box = dialog.nextBox();
    ASSERT_NE(box.window, nullptr) << u(text);
    EXPECT_EQ(box.title, title);
    EXPECT_EQ(box.text, text);
    dialog.answer(box, button);
}

UpgradeWindowServices servicesIn(const std::string& toolFolder) {
    UpgradeWindowServices services = UpgradeWindowServices::standard();
    services.folders = ProgramFolders::oneFolder(toolFolder);
    return services;
}

const std::string SampleHex = onDriveZ(KQ_SOURCE_DIR "/samples/demo_kq581x.hex");

class Win32Dialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(registerControlClasses()); }
    std::string tool_ = freshToolFolder();
};

}  // namespace

TEST_F(Win32Dialogs, everyFlashwrightControlIsWired) {
    using namespace upgrade_ids;
    DialogDriver dialog([this] { runUpgradeDialog(servicesIn(tool_), L"flashwright"); });
    ASSERT_NE(dialog.window(), nullptr);
    EXPECT_EQ(windowText(dialog.window()), L"bootload 软件 V 1.1");
    // It opens with the focus in the log, as the Qt window does.
    EXPECT_TRUE(waitFor([&] { return dialog.focus() == dialog.control(LogBox); }, 2000));
    const std::wstring ext = L"ComboBoxEx32";
    checkControls(dialog.window(),
                  {{HexPathEdit, L"Edit"}, {ChooseFileButton, L"Button"}, {SaveConfigButton, L"Button"},
                   {HexTimeLabel, L"Static"}, {LogBox, L"RICHEDIT50W"}, {UpgradeOffsetEdit, L"Edit"},
                   {UserOffsetEdit, L"Edit"}, {PortBox, L"ComboBox"}, {SectorLabel, L"Static"},
                   {AddressEdit, L"Edit"}, {ClearLogButton, L"Button"}, {SaveLogButton, L"Button"},
                   {FrameBox, ext}, {FrameLabel, L"Static"}, {BaudBox, ext}, {ParityBox, ext}, {AreaEdit, L"Edit"},
                   {ChipBox, ext}, {UpgradeButton, L"Button"}, {StopButton, L"Button"}, {BootloadBox, ext},
                   {UpgradeOffsetLabel, L"Static"}, {AreaLabel, L"Static"}, {KibLabel, L"Static"},
                   {AddressLabel, L"Static"}, {StatusPicture, L"Static"}, {ProgressBar, L"msctls_progress32"}});

    // The type boxes run the type rules and show the remote-with-backup group.
    dialog.pick(ChipBox, 1);
    EXPECT_EQ(dialog.text(UserOffsetEdit), L"4000");
    EXPECT_FALSE(IsWindowVisible(dialog.control(KibLabel)));
    dialog.pick(BootloadBox, 1);
    EXPECT_EQ(dialog.text(UpgradeOffsetEdit), L"11000");
    for (const int id : {UpgradeOffsetLabel, UpgradeOffsetEdit, AreaLabel, AreaEdit, KibLabel, AddressLabel,
                         AddressEdit, FrameLabel, FrameBox})
        EXPECT_TRUE(IsWindowVisible(dialog.control(id))) << id;
    EXPECT_EQ(SendMessageW(dialog.control(AddressEdit), EM_GETLIMITTEXT, 0, 0), 12);

    // Every value control reaches the parameter file through "保存配置".
    dialog.pick(BaudBox, 3);
    dialog.pick(ParityBox, 2);
    dialog.pick(FrameBox, 1);
    SetDlgItemTextW(dialog.window(), UserOffsetEdit, L"5000");
    SetDlgItemTextW(dialog.window(), UpgradeOffsetEdit, L"9000");
    SetDlgItemTextW(dialog.window(), AreaEdit, L"20");
    SetDlgItemTextW(dialog.window(), AddressEdit, L"000000000001");
    chooseFile(dialog, ChooseFileButton, SampleHex);
    EXPECT_EQ(dialog.text(HexPathEdit), w(SampleHex));
    EXPECT_EQ(dialog.text(HexTimeLabel).rfind(L"最近修改时间:", 0), 0u) << u(dialog.text(HexTimeLabel));
    LastPath last;
    ASSERT_TRUE(readLastPathFile(tool_, last));
    EXPECT_EQ(last.hexPath, SampleHex);
    dialog.clickLater(SaveConfigButton);
    expectBox(dialog, L"flashwright", L"保存完毕");
    const auto saved = readParameterFile(parameterFilePath(tool_));
    ASSERT_TRUE(saved.has_value());
    const UpgradeSettings& s = saved->settings;
    EXPECT_EQ((std::vector<int>{s.baudRate, s.parity, s.frameDataLength, s.chipFamily, s.bootloadType, s.upgradeAreaKiB}),
              (std::vector<int>{3, 2, 1, 1, 1, 20}));
    EXPECT_EQ((std::vector<std::string>{s.userOffsetHex, s.upgradeOffsetHex, s.moduleAddress, s.hexPath}),
              (std::vector<std::string>{"5000", "9000", "000000000001", SampleHex}));

    // "停止" outside a run logs a time stamp; the log saves and clears.
    dialog.click(StopButton);
    const std::wstring log = windowText(dialog.control(LogBox));
    ASSERT_EQ(log.size(), 21u) << u(log);  // "2026-03-07 08:05:09\r\n"
    // The log takes no typed text, and a Tab there only moves the focus on.
    SendMessageW(dialog.window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(dialog.control(LogBox)), TRUE);
    ASSERT_EQ(dialog.focus(), dialog.control(LogBox));
    dialog.typeKeys(LogBox, L"x\t");
    EXPECT_TRUE(waitFor([&] { return dialog.focus() != dialog.control(LogBox); }, 2000));
    EXPECT_FALSE(waitFor([&] { return windowText(dialog.control(LogBox)) != log; }, 300))
        << u(windowText(dialog.control(LogBox)));
    dialog.clickLater(SaveLogButton);
    const ModalBox savedBox = dialog.nextBox();
    const std::wstring done = L"保存完毕，保存到文件";
    ASSERT_EQ(savedBox.text.rfind(done + w(tool_), 0), 0u) << u(savedBox.text);
    dialog.answer(savedBox, IDOK);
    EXPECT_EQ(readBytes(u(savedBox.text.substr(done.size()))), u(log) + '\0');
    dialog.clickLater(ClearLogButton);
    expectBox(dialog, L"确认", L"是否要清空日志");
    EXPECT_EQ(windowText(dialog.control(LogBox)), L"");

    dialog.command(IDCANCEL, BN_CLICKED, false);  // Esc
    EXPECT_TRUE(dialog.endsWithin(5000));
}

TEST_F(Win32Dialogs, everyHexspliceControlIsWired) {
    using namespace merge_ids;
    DialogDriver dialog([this] { runMergeDialog(ProgramFolders::oneFolder(tool_), L"hexsplice"); });
    ASSERT_NE(dialog.window(), nullptr);
    EXPECT_EQ(windowText(dialog.window()), L"bootload hex hexsplice");
    checkControls(dialog.window(), {{MergeButton, L"Button"}, {BootPathEdit, L"Edit"}, {ChooseBootButton, L"Button"},
                                    {BootTimeLabel, L"Static"}, {UserPathEdit, L"Edit"}, {ChooseUserButton, L"Button"},
                                    {UserTimeLabel, L"Static"}, {ChipBox, L"ComboBoxEx32"}});
    EXPECT_EQ(SendMessageW(dialog.control(ChipBox), CB_GETCURSEL, 0, 0), 0);

    // The About box hangs off the system menu.
    wchar_t item[64] = {};
    GetMenuStringW(GetSystemMenu(dialog.window(), FALSE), AboutCommand, item, 64, MF_BYCOMMAND);
    EXPECT_STREQ(item, L"关于 hexsplice(&A)...");
    PostMessageW(dialog.window(), WM_SYSCOMMAND, AboutCommand, 0);
    const ModalBox about = dialog.nextBox();
    ASSERT_NE(about.window, nullptr);
    EXPECT_EQ(about.title, L"关于 hexsplice");
    const std::wstring version = wide("hexsplice " + std::string(programVersion()) + " 版");
    EXPECT_NE(FindWindowExW(about.window, nullptr, L"Static", version.c_str()), nullptr);
    dialog.answer(about, IDOK);

    // Both choose buttons, the remembered paths, then Enter merges for the chosen chip.
    const std::string boot = tool_ + "boot.hex";
    const std::string user = tool_ + "user.hex";
    writeBytes(boot, paddedTo(hexText({dataRecord(0, 16)}), 100));
    writeBytes(user, paddedTo(hexText({dataRecord(0x100, 16)}), 100));
    dialog.pick(ChipBox, 1);
    chooseFile(dialog, ChooseBootButton, boot);
    chooseFile(dialog, ChooseUserButton, user);
    EXPECT_EQ(dialog.text(BootPathEdit), w(boot));
    EXPECT_EQ(dialog.text(UserPathEdit), w(user));
    for (const int id : {BootTimeLabel, UserTimeLabel})
        EXPECT_EQ(dialog.text(id).rfind(L"最近修改时间:", 0), 0u) << u(dialog.text(id));
    const std::string memory = readBytes(pathMemoryFile(tool_));
    EXPECT_EQ(memory.rfind(boot + "\r\r\n", 0), 0u) << memory;
    EXPECT_NE(memory.find("\r\r\n" + user + "\r\r\n"), std::string::npos) << memory;
    dialog.command(IDOK, BN_CLICKED, false);  // Enter
    expectBox(dialog, L"hexsplice", L"成功合并!");
    EXPECT_FALSE(readBytes(tool_ + std::string(MergedFileName)).empty());

    PostMessageW(dialog.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(dialog.endsWithin(5000));
}
