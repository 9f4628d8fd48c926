// One whole upgrade in the Win32 flashwright window against kqsim, whose
// pseudo-terminal Wine sees as a COM port: the port box, the upgrade button,
// the log with its colours, the sector label, the progress bar and the
// result picture.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <cstdlib>

#include "support/fresh_folder.h"
#include "support/utf8_path.h"
#include "tests/win32/dialog_driver.h"
#include "unit/merge_test_files.h"
#include "upgrade_window/upgrade_controls.h"
#include "win32/upgrade_dialog.h"
#include "win32/win32_dialog_view.h"

using namespace kq;
using namespace kq::test;
using namespace kq::testing;
using namespace kq::upgrade_ids;

namespace {

constexpr int RunLimitMs = 60000;   // a local upgrade of the sample takes about a second
constexpr int SimReadyMs = 10000;   // for kqsim to link its port, or to go
constexpr int FirstFreePort = 5;    // COM numbers below are left to other tests

// The Linux path of a Windows path (Wine's own export; empty elsewhere).
std::string unixPathOf(const std::string& windowsPath) {
    using Convert = char*(CDECL*)(LPCWSTR);
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char* name = convert != nullptr ? convert(wide(windowsPath).c_str()) : nullptr;
    if (name == nullptr) return {};
    std::string path(name);
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

// Whether COMn names a device: a link in the prefix's dosdevices, which Wine
// reads at each open.
bool portDefined(int port) {
    const HANDLE device = CreateFileW((L"\\\\.\\COM" + std::to_wstring(port)).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) return GetLastError() != ERROR_FILE_NOT_FOUND;
    CloseHandle(device);
    return true;
}

// kqsim linked as the first free COM port of the Wine prefix, until the
// object goes (kqsim_until_stopped.sh: Wine starts a Linux program but gives
// no handle to wait on or signal).
class SimOnComPort {
public:
    SimOnComPort(const std::string& kqsim, const std::string& prefix, const std::string& folder,
                 const std::string& faults)
        : stopFile_(folder + "stop") {
        while (port_ < 20 && portDefined(port_)) ++port_;
        command_ = "Z:\\bin\\sh " KQ_SOURCE_DIR "/tests/win32/kqsim_until_stopped.sh " + unixPathOf(stopFile_) + " " +
                   kqsim + " --family 251 --mode boot --link " + prefix + "/dosdevices/com" + std::to_string(port_) +
                   " " + faults;
        std::wstring line = wide(command_);
        STARTUPINFOW start{};
        start.cb = sizeof start;
        PROCESS_INFORMATION process{};
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process)) {
            if (process.hProcess != nullptr) CloseHandle(process.hProcess);
            if (process.hThread != nullptr) CloseHandle(process.hThread);
        }
        ready_ = waitFor([this] { return portDefined(port_); }, SimReadyMs);
    }
    ~SimOnComPort() {
        writeBytes(stopFile_, "");
        waitFor([this] { return !portDefined(port_); }, SimReadyMs);
    }

    bool ready() const { return ready_; }
    int port() const { return port_; }
    const std::string& command() const { return command_; }

private:
    int port_ = FirstFreePort;
    std::string stopFile_, command_;
    bool ready_ = false;
};

// The colour of the first appearance of text in the log; CLR_INVALID when
// it is missing or in the box's automatic colour.
COLORREF colourOf(HWND log, const std::wstring& text) {
    FINDTEXTEXW find{};
    find.chrg = {0, -1};
    find.lpstrText = text.c_str();
    if (SendMessageW(log, EM_FINDTEXTEXW, FR_DOWN, reinterpret_cast<LPARAM>(&find)) < 0) return CLR_INVALID;
    SendMessageW(log, EM_SETSEL, static_cast<WPARAM>(find.chrgText.cpMin), find.chrgText.cpMax);
    CHARFORMATW format{};
    format.cbSize = sizeof format;
    SendMessageW(log, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return (format.dwEffects & CFE_AUTOCOLOR) != 0 ? CLR_INVALID : format.crTextColor;
}

}  // namespace

TEST(Win32UpgradeDialog, aLocalUpgradeWithOneRewriteEndsWithTheTick) {
    const char* kqsim = std::getenv("KQ_KQSIM");
    const char* prefix = std::getenv("WINEPREFIX");
    if (kqsim == nullptr || prefix == nullptr || unixPathOf("C:\\").empty())
        GTEST_SKIP() << "needs Wine and kqsim: KQ_KQSIM and WINEPREFIX are set by scripts/windows-tests.sh";
    ASSERT_TRUE(registerControlClasses());
    const std::string tool = utf8String(makeFreshFolder("kq-upgrade-")) + "\\";
    // The first sector write is refused once: a red "重新写入", then success.
    SimOnComPort sim(kqsim, prefix, tool, "--error-bit write-sector:1");
    ASSERT_TRUE(sim.ready()) << "kqsim did not link COM" << sim.port() << ": " << sim.command();

    UpgradeWindowServices services = UpgradeWindowServices::standard();
    services.folders = ProgramFolders::oneFolder(tool);
    DialogDriver dialog([&] { runUpgradeDialog(services, L"flashwright"); });
    ASSERT_NE(dialog.window(), nullptr);
    SetDlgItemTextW(dialog.window(), HexPathEdit, wide(onDriveZ(KQ_SOURCE_DIR "/samples/demo_kq581x.hex")).c_str());
    ASSERT_TRUE(dialog.pickPort(PortBox, sim.port())) << "COM" << sim.port() << " is not listed";

    // The run happens inside the click; the window answers in between.
    dialog.clickLater(UpgradeButton);
    const HWND log = dialog.control(LogBox);
    int progressSeen = 0;
    bool sectorShown = false;
    const bool ended = waitFor(
        [&] {
            progressSeen = std::max(progressSeen, int(SendMessageW(dialog.control(ProgressBar), PBM_GETPOS, 0, 0)));
            sectorShown = sectorShown || dialog.text(SectorLabel).rfind(L"第", 0) == 0;
            return windowText(log).ends_with(L"升级成功\r\n");
        },
        RunLimitMs);
    if (!ended) dialog.clickLater(StopButton);  // so that the window can close and the test fail now
    ASSERT_TRUE(ended) << narrow(windowText(log));
    SendMessageW(dialog.window(), WM_NULL, 0, 0);  // the click's handler has returned
    EXPECT_GT(progressSeen, 0);
    EXPECT_TRUE(sectorShown);
    EXPECT_EQ(colourOf(log, L"重新写入"), RGB(255, 0, 0));
    EXPECT_EQ(colourOf(log, L"升级成功"), RGB(0, 0, 0));
    EXPECT_EQ(dialog.text(UpgradeButton), L"下载");
    BITMAP picture{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(dialog.control(StatusPicture), STM_GETIMAGE, IMAGE_BITMAP, 0)),
               sizeof picture, &picture);
    EXPECT_EQ(picture.bmWidth, 64);
    EXPECT_EQ(picture.bmHeight, 61);  // the tick
}
