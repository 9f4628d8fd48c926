// The hexsplice window as a Win32 dialog: its template (merge_dialog.rc) over
// the generic view, the window logic (MergeWindow) behind it, and the About
// box on the system menu.
#pragma once

#include <string>

namespace kq {

// Shows the window modally on the calling thread; returns once it has closed.
// toolFolder holds the remembered paths and receives the merged file; title
// heads the message boxes.
void runMergeDialog(std::string toolFolder, const std::wstring& title);

}  // namespace kq
