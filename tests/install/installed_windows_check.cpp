// installed-windows-check: the logic of both windows with their real
// folders (platform/tool_folder.h), as the installed programs run it, over
// fake views. installed_mode_test.sh places it in the prefix's bin/ of a
// test install and runs it as a user who cannot write there.
//
//   installed-windows-check save  HEX BOOT USER   choose the files, save the settings and
//                                                 the log, merge (KQ58XX); print every message
//   installed-windows-check check HEX BOOT USER   start both windows again: the chosen files
//                                                 and the saved settings come back
//
// Exit status 0 when every step did what it should, 1 otherwise.
#include <cstdio>
#include <string>
#include <string_view>

#include "merge_window/merge_controls.h"
#include "merge_window/merge_window.h"
#include "upgrade_window/upgrade_controls.h"
#include "upgrade_window/upgrade_window.h"
#include "window/fake_dialog_view.h"

namespace {

using kq::test::FakeDialogView;

constexpr const char* SavedAddress = "000000000017";  // a setting that only the parameter file brings back

bool expect(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    return ok;
}

bool lastMessageStarts(const FakeDialogView& view, std::string_view start) {
    const auto texts = view.messageTexts();
    if (!texts.empty()) std::printf("message: %s\n", texts.back().c_str());
    return !texts.empty() && texts.back().starts_with(start);
}

bool save(kq::UpgradeWindow& upgrade, FakeDialogView& upgradeView, kq::MergeWindow& merge, FakeDialogView& mergeView,
          const std::string& hex, const std::string& boot, const std::string& user) {
    using namespace kq::upgrade_ids;
    bool ok = true;
    upgradeView.fileAnswers = {hex};
    upgrade.clicked(ChooseFileButton);
    upgradeView.type(AddressEdit, SavedAddress);
    upgrade.clicked(SaveConfigButton);
    ok &= expect(lastMessageStarts(upgradeView, "保存完毕"), "flashwright saves its settings");
    upgrade.clicked(SaveLogButton);
    ok &= expect(lastMessageStarts(upgradeView, "保存完毕，保存到文件"), "flashwright saves its log");

    mergeView.fileAnswers = {boot, user};
    merge.chooseBootFile();
    merge.chooseUserFile();
    mergeView.pick(kq::merge_ids::ChipBox, 1);  // KQ58XX: the files lie above the 251's limit
    merge.merge();
    ok &= expect(lastMessageStarts(mergeView, "成功合并!"), "hexsplice merges");
    return ok;
}

bool check(const FakeDialogView& upgradeView, const FakeDialogView& mergeView, const std::string& hex,
           const std::string& boot, const std::string& user) {
    bool ok = true;
    ok &= expect(upgradeView.at(kq::upgrade_ids::HexPathEdit).text == hex, "flashwright remembers the HEX file");
    ok &= expect(upgradeView.at(kq::upgrade_ids::AddressEdit).text == SavedAddress,
                 "flashwright brings its settings back");
    ok &= expect(mergeView.at(kq::merge_ids::BootPathEdit).text == boot, "hexsplice remembers the bootloader");
    ok &= expect(mergeView.at(kq::merge_ids::UserPathEdit).text == user, "hexsplice remembers the user program");
    return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::string mode = argc == 5 ? argv[1] : "";
    if (mode != "save" && mode != "check") {
        std::fputs("Usage: installed-windows-check save|check HEX BOOT USER\n", stderr);
        return 1;
    }
    const kq::UpgradeWindowServices services = kq::UpgradeWindowServices::standard();
    const kq::ProgramFolders mergeFolders = kq::programFolders("hexsplice");
    std::printf("flashwright folders: %s %s\nhexsplice folders: %s %s\n", services.folders.remembered.c_str(),
                services.folders.output.c_str(), mergeFolders.remembered.c_str(), mergeFolders.output.c_str());

    FakeDialogView upgradeView;
    kq::UpgradeWindow upgrade(upgradeView, services);
    upgrade.start();
    FakeDialogView mergeView;
    kq::MergeWindow merge(mergeView, mergeFolders);
    merge.start();

    const bool ok = mode == "save" ? save(upgrade, upgradeView, merge, mergeView, argv[2], argv[3], argv[4])
                                   : check(upgradeView, mergeView, argv[2], argv[3], argv[4]);
    return ok ? 0 : 1;
}
