// The system's own words for a Windows error code, as UTF-8.
#pragma once

#include <windows.h>

#include <string>

namespace kq {

// FormatMessage's text for error, without its closing line break and full
// stop; "error N" when the system has no text for it.
std::string systemWords(DWORD error);

}  // namespace kq
