#include <windows.h>

#include "platform/host_name.h"
#include "platform/utf16_win32.h"

namespace kq {

std::string hostName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 256] = {};
    DWORD size = sizeof name / sizeof name[0];
    if (!GetComputerNameExW(ComputerNameDnsHostname, name, &size)) return "";
    return utf16ToUtf8(std::wstring_view(name, size));
}

}  // namespace kq
