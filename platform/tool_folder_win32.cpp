#include "platform/tool_folder.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "platform/exe_directory.h"
#include "platform/utf16_win32.h"

namespace kq {

namespace {

// A known folder (Program Files, %APPDATA%, ...) as UTF-16 without a
// trailing separator; empty when Windows does not name it.
std::wstring knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SHGetKnownFolderPath(id, 0, nullptr, &path) == S_OK && path) folder = path;
    CoTaskMemFree(path);
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    return folder;
}

// Whether file lies under folder, compared as Windows compares names (case aside).
bool liesUnder(const std::wstring& file, const std::wstring& folder) {
    if (folder.empty() || file.size() <= folder.size()) return false;
    const wchar_t next = file[folder.size()];
    if (next != L'\\' && next != L'/') return false;
    return CompareStringOrdinal(file.data(), static_cast<int>(folder.size()), folder.data(),
                                static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

// <known folder>\<program>\ in UTF-8, created when missing (its parent,
// the user's profile folder, is Windows' own).
std::string userFolder(REFKNOWNFOLDERID id, std::string_view program) {
    const std::wstring base = knownFolder(id);
    if (base.empty()) return exeDirectory();
    const std::wstring folder = base + L"\\" + utf8ToUtf16(program).value_or(L"");
    CreateDirectoryW(folder.c_str(), nullptr);  // a failure shows when a file written there fails
    return utf16ToUtf8(folder) + "\\";
}

}  // namespace

bool runsInstalled() {
    static const bool installed = [] {
        const std::wstring exe = utf8ToUtf16(exeDirectory()).value_or(L"");
        // A 64-bit program lies under Program Files, a 32-bit one may lie
        // under Program Files (x86): neither is writable for a user.
        return liesUnder(exe, knownFolder(FOLDERID_ProgramFiles)) ||
               liesUnder(exe, knownFolder(FOLDERID_ProgramFilesX86));
    }();
    return installed;
}

ProgramFolders programFolders(std::string_view program) {
    if (!runsInstalled()) return ProgramFolders::oneFolder(exeDirectory());
    return {userFolder(FOLDERID_RoamingAppData, program), userFolder(FOLDERID_LocalAppData, program)};
}

}  // namespace kq
