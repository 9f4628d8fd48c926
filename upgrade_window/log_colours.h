// The log of the flashwright window: the colour of each colour code, and the
// size past which it is emptied as a whole (it is never trimmed line by line).
#pragma once

#include "dialog_view/dialog_view.h"

namespace kq {

inline constexpr int LogTextLimit = 0x1E00000;  // characters (30 * 1,048,576)

inline constexpr TextColour LogTextBlack{0, 0, 0};  // plain appends

// Colour of a log colour code: only its low 8 bits count; 0 blue, 1 red,
// 2 green, 3 yellow, anything else black.
TextColour logColour(int code);

}  // namespace kq
