#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/new_file.h"
#include "platform/system_words_win32.h"
#include "platform/utf16_win32.h"

namespace kq {

namespace {

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

FileHandle createNewFile(const std::string& path, std::string& reason) {
    const auto wide = utf8ToUtf16(path);
    if (!wide) {
        reason = "the name is not valid UTF-8";
        return nullptr;
    }
    const HANDLE handle = CreateFileW(wide->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        reason = systemWords(GetLastError());
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        reason = "no descriptor for the file";
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) {
        _close(fd);
        reason = "no stream for the file";
    }
    return FileHandle(file);
}

bool makeFolders(const std::string& path, std::string& reason) {
    const auto wide = utf8ToUtf16(path);
    if (!wide || wide->empty()) {
        reason = wide ? "no folder given" : "the name is not valid UTF-8";
        return false;
    }
    // Every prefix that ends before a separator, then the whole path; a
    // drive ("C:") or a share root is never created.
    for (size_t at = wide->find_first_of(L"\\/", 1);; at = wide->find_first_of(L"\\/", at + 1)) {
        const std::wstring part = wide->substr(0, at);
        if (!part.empty() && part.back() != L':' && !isFolder(part) && !CreateDirectoryW(part.c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_ACCESS_DENIED) {
            reason = systemWords(GetLastError());
            return false;
        }
        if (at == std::wstring::npos) break;
    }
    if (isFolder(*wide)) return true;
    reason = "cannot make the folder";
    return false;
}

std::string folderRefusal(const std::string& path) {
    const auto wide = utf8ToUtf16(path);
    if (!wide || wide->empty()) return wide ? "no folder given" : "the name is not valid UTF-8";
    DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? "" : "not a folder";
    DWORD error = GetLastError();
    // Missing: the nearest folder above must be a folder (whether we may
    // write there only the attempt tells on Windows).
    std::wstring above = *wide;
    while (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        while (above.size() > 1 && (above.back() == L'\\' || above.back() == L'/')) above.pop_back();
        const size_t separator = above.find_last_of(L"\\/");
        if (separator == std::wstring::npos || above.back() == L':') return "";  // the current folder or a drive
        above = above.substr(0, separator == 0 ? 1 : separator);
        attributes = GetFileAttributesW(above.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? "" : systemWords(ERROR_DIRECTORY);
        }
        error = GetLastError();
    }
    return systemWords(error);
}

bool pathTaken(const std::string& path) {
    const auto wide = utf8ToUtf16(path);
    if (!wide) return true;
    if (GetFileAttributesW(wide->c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

}  // namespace kq
