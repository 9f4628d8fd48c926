// How the window's boxes read what the user typed: the rules of an integer
// box and the character count an edit box limits.
#pragma once

#include <optional>
#include <string_view>

namespace kq {

// A whole number as an integer box takes it: white space around an optionally
// signed run of ASCII digits, within the int range; nullopt otherwise.
std::optional<int> wholeNumber(std::string_view utf8);

// Characters of a UTF-8 text as an edit box counts them (UTF-16 units: a
// character beyond the basic plane counts two).
int editLength(std::string_view utf8);

}  // namespace kq
