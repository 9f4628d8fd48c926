// The one way the core tells the user something that needs an answer before
// it goes on: a modal message box with one OK button. The HEX loader, the
// upgrade run and the merge engine all report through it.
#pragma once

#include <functional>
#include <string_view>

namespace kq {

// Shows one message (UTF-8) to the user; returns once it is dismissed.
using ShowMessage = std::function<void(std::string_view text)>;

}  // namespace kq
