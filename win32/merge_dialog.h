// The hexsplice window as a Win32 dialog: its template (merge_dialog.rc) over
// the generic view, the window logic (MergeWindow) behind it, and the About
// box on the system menu.
#pragma once

#include <string>

#include "platform/tool_folder.h"

namespace kq {

// Shows the window modally on the calling thread; returns once it has closed.
// folders hold the remembered paths and receive the merged file; title heads
// the message boxes.
void runMergeDialog(ProgramFolders folders, const std::wstring& title);

}  // namespace kq
