// The flashwright window as a Win32 dialog: its template (upgrade_dialog.rc)
// over the generic view, and the window logic (UpgradeWindow) that decides
// everything it shows and does.
#pragma once

#include <string>

#include "upgrade_window/upgrade_window_services.h"

namespace kq {

// Shows the window modally on the calling thread; returns once it has closed.
// The template and pictures come from the program's own resources; title
// heads the message boxes.
void runUpgradeDialog(UpgradeWindowServices services, const std::wstring& title);

}  // namespace kq
