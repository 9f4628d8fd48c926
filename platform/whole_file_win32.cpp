#include "platform/whole_file.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "platform/utf16_win32.h"

namespace kq {
namespace {

constexpr DWORD ShareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD ReadChunkBytes = 65536;  // bytes per ReadFile call

// A file handle that is closed when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~Handle() {
        if (valid()) CloseHandle(handle_);
    }
    Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            if (valid()) CloseHandle(handle_);
            handle_ = other.handle_;
            other.handle_ = INVALID_HANDLE_VALUE;
        }
        return *this;
    }

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Closes now and reports whether the close succeeded.
    bool close() {
        if (!valid()) return true;
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

// Opens an existing regular file for reading; anything else (a folder, a
// device such as COM1 or NUL, a pipe) gives an invalid handle.
Handle openRegularForReading(const std::wstring& path) {
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, ShareEverything, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid() && GetFileType(file.get()) != FILE_TYPE_DISK) return Handle();
    return file;
}

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), ReadChunkBytes));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// Reads the regular file at path. Past maxBytes it stops: with wholeOnly the
// result is TooLarge, otherwise the bytes read so far are the result.
WholeFile readFile(const std::string& path, uint64_t maxBytes, bool wholeOnly) {
    WholeFile result;
    const auto wide = utf8ToUtf16(path);
    if (path.empty() || !wide) return result;
    Handle file = openRegularForReading(*wide);
    LARGE_INTEGER size{};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size)) return result;
    if (wholeOnly && static_cast<uint64_t>(size.QuadPart) > maxBytes) {
        result.status = WholeFile::TooLarge;
        return result;
    }
    std::string bytes;
    char buffer[ReadChunkBytes];
    while (wholeOnly || bytes.size() < maxBytes) {
        const uint64_t wanted = wholeOnly ? sizeof buffer : std::min<uint64_t>(sizeof buffer, maxBytes - bytes.size());
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, static_cast<DWORD>(wanted), &got, nullptr)) {
            result.status = WholeFile::ReadError;
            return result;
        }
        if (got == 0) break;
        bytes.append(buffer, got);
        if (bytes.size() > maxBytes) {  // grew while being read
            result.status = WholeFile::TooLarge;
            return result;
        }
    }
    result.status = WholeFile::Read;
    result.bytes = std::move(bytes);
    return result;
}

// The file a write to path really lands in: the target of a symbolic link
// (or junction) when the path is one, else the path itself.
std::wstring resolvedTarget(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
    Handle target(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, ShareEverything, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!target.valid()) return path;
    std::wstring resolved(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFinalPathNameByHandleW(target.get(), resolved.data(), static_cast<DWORD>(resolved.size()),
                                                  FILE_NAME_NORMALIZED);
        if (n == 0) return path;
        if (n < resolved.size()) {
            resolved.resize(n);
            return resolved;
        }
        resolved.resize(n + 1);
    }
}

// Creates a fresh temporary file beside target (never one that exists).
Handle createTemporaryBeside(const std::wstring& target, std::wstring& tempPath) {
    static std::atomic<unsigned> counter{0};
    const auto separator = target.find_last_of(L"\\/");
    const std::wstring folder = separator == std::wstring::npos ? std::wstring() : target.substr(0, separator + 1);
    // Short and independent of the target's name, which may already be as long as a name can be.
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = folder + L".kq-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(counter.fetch_add(1)) + L".tmp";
        Handle file(CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
        if (file.valid()) return file;
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return Handle();
}

// Puts a new regular file at path, filled by fill(file, replaced). With
// readOld, replaced reads the file being replaced (invalid when there is none).
template <typename Fill>
bool replaceAtomically(const std::string& path, bool readOld, Fill fill) {
    const auto wide = utf8ToUtf16(path);
    if (path.empty() || !wide) return false;
    const std::wstring target = resolvedTarget(*wide);
    // A move would put a plain file in place of a folder or a device (NUL, COM1).
    Handle existing(CreateFileW(target.c_str(), 0, ShareEverything, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    const bool replacing = existing.valid();
    if (replacing && (GetFileType(existing.get()) != FILE_TYPE_DISK ||
                      !GetFileInformationByHandle(existing.get(), &information) ||
                      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    existing.close();
    Handle old;
    if (replacing && readOld) {
        old = openRegularForReading(target);
        if (!old.valid()) return false;
    }
    std::wstring tempPath;
    Handle file = createTemporaryBeside(target, tempPath);
    if (!file.valid()) return false;

    bool ok = fill(file.get(), old.get()) && FlushFileBuffers(file.get());
    ok = file.close() && ok;
    old.close();
    ok = ok && MoveFileExW(tempPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileW(tempPath.c_str());
    return ok;
}

// Copies what follows offset in the file from to the end of to.
bool copyTailFrom(HANDLE from, uint64_t offset, HANDLE to) {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(from, position, nullptr, FILE_BEGIN)) return false;
    char buffer[ReadChunkBytes];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, buffer, sizeof buffer, &got, nullptr)) return false;
        if (got == 0) return true;
        if (!writeAll(to, std::string_view(buffer, got))) return false;
    }
}

}  // namespace

WholeFile readWholeFile(const std::string& path, uint64_t maxBytes) { return readFile(path, maxBytes, true); }

WholeFile readFileStart(const std::string& path, uint64_t maxBytes) { return readFile(path, maxBytes, false); }

bool writeFileAtomically(const std::string& path, std::string_view bytes) {
    return replaceAtomically(path, false, [&](HANDLE file, HANDLE) { return writeAll(file, bytes); });
}

bool overwriteFromStart(const std::string& path, std::string_view bytes) {
    return replaceAtomically(path, true, [&](HANDLE file, HANDLE old) {
        if (!writeAll(file, bytes)) return false;
        return old == INVALID_HANDLE_VALUE || copyTailFrom(old, bytes.size(), file);
    });
}

}  // namespace kq
