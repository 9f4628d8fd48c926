#include "platform/regular_file.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include "platform/system_words_win32.h"
#include "platform/utf16_win32.h"

namespace kq {
namespace {

constexpr std::wstring_view DeviceNamespace = L"\\\\.\\";
constexpr DWORD ShareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

OpenedFile failure(FileOpenError error, DWORD code = ERROR_SUCCESS) {
    return {nullptr, error, code == ERROR_SUCCESS ? std::string() : systemWords(code)};
}

OpenedFile failure(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return failure(FileOpenError::Missing, code);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return failure(FileOpenError::PermissionDenied, code);
    default:
        return failure(FileOpenError::Other, code);
    }
}

// True when the path names a device (COM1, NUL, \\.\pipe\x ...): such names
// resolve into the device namespace, except a drive's own form \\.\C:\...
bool namesADevice(const std::wstring& path) {
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return false;
    std::wstring full(n, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), n, full.data(), nullptr));
    if (full.compare(0, DeviceNamespace.size(), DeviceNamespace) != 0) return false;
    const std::wstring_view rest = std::wstring_view(full).substr(DeviceNamespace.size());
    return !(rest.size() >= 2 && rest[1] == L':');
}

}  // namespace

OpenedFile openRegularFileForReading(const std::string& path) {
    const auto wide = utf8ToUtf16(path);
    if (path.empty() || !wide) return failure(FileOpenError::Missing);
    // Looked at before the open, so that no device is opened at all (opening
    // one can act on it, a serial port raises its modem lines); checked again
    // on the open handle against a swap.
    if (namesADevice(*wide)) return failure(FileOpenError::NotRegularFile);
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return failure(GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return failure(FileOpenError::NotRegularFile);

    const HANDLE handle =
        CreateFileW(wide->c_str(), GENERIC_READ, ShareEverything, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return failure(GetLastError());
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(handle);
        return failure(FileOpenError::NotRegularFile);
    }
    // The C runtime takes the handle over: closing the FILE closes it.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return failure(FileOpenError::Other);
    }
    std::FILE* file = _fdopen(fd, "rb");
    if (file == nullptr) {
        _close(fd);
        return failure(FileOpenError::Other);
    }
    return {FileHandle(file), FileOpenError::None, ""};
}

bool seekFileTo(std::FILE* file, uint64_t offset) { return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0; }

}  // namespace kq
