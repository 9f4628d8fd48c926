// hexsplice.exe: joins a bootloader HEX file and a user-program HEX file.
#include <windows.h>

#include "platform/tool_folder.h"
#include "win32/merge_dialog.h"
#include "win32/win32_dialog_view.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!kq::registerControlClasses()) return 1;
    // Beside the program, or in the user's folders when installed under Program Files.
    kq::runMergeDialog(kq::programFolders("hexsplice"), kq::programTitle());
    return 0;
}
