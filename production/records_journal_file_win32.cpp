#include <windows.h>

#include <cstdio>

#include "platform/system_words_win32.h"
#include "platform/utf16_win32.h"
#include "production/records_journal_file.h"

namespace kq::production {

namespace {

// Closes the handle and lets go of the lock when dropped.
class LockedHandle {
public:
    explicit LockedHandle(HANDLE handle) : handle_(handle) {}
    LockedHandle(const LockedHandle&) = delete;
    LockedHandle& operator=(const LockedHandle&) = delete;
    ~LockedHandle() {
        if (locked_) {
            OVERLAPPED whole{};
            UnlockFileEx(handle_, 0, MAXDWORD, MAXDWORD, &whole);
        }
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    HANDLE get() const { return handle_; }
    bool lock() {
        OVERLAPPED whole{};
        locked_ = LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) != 0;
        return locked_;
    }

private:
    HANDLE handle_;
    bool locked_ = false;
};

}  // namespace

JournalFileAppend appendToJournalFile(const std::string& path, std::string_view line) {
    JournalFileAppend result;
    const auto wide = utf8ToUtf16(path);
    if (!wide) {
        result.reason = "the name is not valid UTF-8";
        return result;
    }
    // Without FILE_WRITE_DATA every write lands at the end of the file.
    LockedHandle file(CreateFileW(wide->c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        result.reason = systemWords(GetLastError());
        return result;
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        result.reason = "not a regular file";
        return result;
    }
    LARGE_INTEGER size{};
    if (!file.lock() || !GetFileSizeEx(file.get(), &size)) {
        result.reason = systemWords(GetLastError());
        return result;
    }
    char last = '\n';
    if (size.QuadPart > 0) {
        OVERLAPPED at{};
        const uint64_t lastByte = static_cast<uint64_t>(size.QuadPart) - 1;
        at.Offset = static_cast<DWORD>(lastByte);
        at.OffsetHigh = static_cast<DWORD>(lastByte >> 32);
        DWORD read = 0;
        if (!ReadFile(file.get(), &last, 1, &read, &at) || read != 1) {
            result.reason = systemWords(GetLastError());
            return result;
        }
    }
    std::string bytes;
    if (last != '\n') bytes += '\n';  // closes a torn line
    bytes += line;
    result.offset = static_cast<uint64_t>(size.QuadPart) + (last != '\n' ? 1 : 0);
    std::string_view rest = bytes;
    while (!rest.empty()) {
        DWORD written = 0;
        if (!WriteFile(file.get(), rest.data(), static_cast<DWORD>(rest.size()), &written, nullptr)) {
            result.reason = systemWords(GetLastError());
            return result;
        }
        rest.remove_prefix(written);
    }
    // The flush writes the file's data and its own metadata; Windows offers an
    // ordinary user no flush of a folder.
    if (!FlushFileBuffers(file.get())) {
        result.reason = systemWords(GetLastError());
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace kq::production
