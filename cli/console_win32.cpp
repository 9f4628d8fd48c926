#include "cli/console.h"

#include <windows.h>
#include <shellapi.h>

#include <io.h>

#include <atomic>
#include <cstdlib>

#include "platform/utf16_win32.h"

namespace kq::console {

namespace {

std::atomic<void (*)()> interruptAction{nullptr};

UINT savedOutputCodePage = 0;
DWORD savedOutputMode = 0;
DWORD savedErrorMode = 0;

HANDLE handleOf(std::FILE* stream) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))); }

// Asks a console for escape sequences; keeps its old mode in saved.
void askForEscapeSequences(DWORD which, DWORD& saved) {
    const HANDLE console = GetStdHandle(which);
    DWORD mode = 0;
    if (!GetConsoleMode(console, &mode)) return;  // not a console
    saved = mode;
    SetConsoleMode(console, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

void restoreConsole() {
    if (savedOutputCodePage != 0) SetConsoleOutputCP(savedOutputCodePage);
    if (savedOutputMode != 0) SetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), savedOutputMode);
    if (savedErrorMode != 0) SetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), savedErrorMode);
}

// Runs on a thread of its own. Ctrl-C and Ctrl-Break are handled here; closing
// the window or logging off keep their default (the process ends).
BOOL WINAPI onControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    if (const auto action = interruptAction.load()) action();
    return TRUE;
}

}  // namespace

void prepare() {
    savedOutputCodePage = GetConsoleOutputCP();
    if (savedOutputCodePage != 0) SetConsoleOutputCP(CP_UTF8);
    askForEscapeSequences(STD_OUTPUT_HANDLE, savedOutputMode);
    askForEscapeSequences(STD_ERROR_HANDLE, savedErrorMode);
    std::atexit(restoreConsole);
}

// The narrow argv holds the arguments in the ANSI code page, which cannot
// hold every path: read them again from the wide command line.
std::vector<std::string> arguments(int, char**) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; ++i) args.push_back(utf16ToUtf8(wide[i]));
    LocalFree(wide);
    return args;
}

// A console whose mode holds escape-sequence processing (refused on consoles
// before Windows 10); a file or pipe is no console.
bool takesEscapeSequences(std::FILE* stream) {
    DWORD mode = 0;
    return GetConsoleMode(handleOf(stream), &mode) && (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool showsColours(std::FILE* stream) {
    const char* noColour = std::getenv("NO_COLOR");
    return takesEscapeSequences(stream) && (noColour == nullptr || noColour[0] == '\0');
}

bool inputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

int columns(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(handleOf(stream), &info)) return DefaultColumns;
    const int width = info.srWindow.Right - info.srWindow.Left + 1;
    return width > 0 ? width : DefaultColumns;
}

void callOnInterrupt(void (*onPress)()) {
    interruptAction = onPress;
    SetConsoleCtrlHandler(onControl, TRUE);
}

void restoreDefaultInterrupt() {
    SetConsoleCtrlHandler(onControl, FALSE);
    interruptAction = nullptr;
}

void writeErrorNow(std::string_view text) {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    while (!text.empty()) {
        DWORD written = 0;
        if (!WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written == 0) return;
        text.remove_prefix(written);
    }
}

// TerminateProcess runs no exit code: the main thread may hold a runtime
// lock just now. Every handle closes, the serial port among them.
void exitNow(int status) {
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    ExitProcess(static_cast<UINT>(status));
}

}  // namespace kq::console
