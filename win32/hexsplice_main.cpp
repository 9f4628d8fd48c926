// hexsplice.exe: joins a bootloader HEX file and a user-program HEX file.
#include <windows.h>

#include "platform/exe_directory.h"
#include "win32/merge_dialog.h"
#include "win32/win32_dialog_view.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!kq::registerControlClasses()) return 1;
    // The remembered paths and the merged file live beside the program.
    kq::runMergeDialog(kq::exeDirectory(), kq::programTitle());
    return 0;
}
