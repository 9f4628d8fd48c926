#include "platform/same_file.h"

#include <windows.h>

#include <optional>

#include "platform/utf16_win32.h"

namespace kq {
namespace {

struct FileIdentity {
    DWORD volumeSerial;
    DWORD indexHigh;
    DWORD indexLow;
};

// The identity of what path names; opened for its attributes only, sharing
// everything, so that a file another program holds open is looked at too.
std::optional<FileIdentity> identityOf(const std::string& path) {
    const std::optional<std::wstring> wide = utf8ToUtf16(path);
    if (path.empty() || !wide) return std::nullopt;
    const HANDLE handle = CreateFileW(wide->c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);  // a folder opens too
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(handle, &information) != 0;
    CloseHandle(handle);
    if (!known) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
}

}  // namespace

bool sameFile(const std::string& first, const std::string& second) {
    const std::optional<FileIdentity> a = identityOf(first);
    const std::optional<FileIdentity> b = identityOf(second);
    return a && b && a->volumeSerial == b->volumeSerial && a->indexHigh == b->indexHigh && a->indexLow == b->indexLow;
}

}  // namespace kq
