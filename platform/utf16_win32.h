// UTF-8 (every text in memory) to and from UTF-16 (every Windows call). The
// C and C++ libraries of MinGW read a narrow path in the ANSI code page, not
// as UTF-8, so every path goes through these before it reaches the system.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kq {

// UTF-16 of a UTF-8 text; nullopt when the text is not valid UTF-8.
std::optional<std::wstring> utf8ToUtf16(std::string_view utf8);
// UTF-8 of a UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::wstring_view utf16);

}  // namespace kq
