#include "cli/console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

namespace kq::console {

namespace {

void (*interruptAction)() = nullptr;

void onSignal(int) {
    if (interruptAction) interruptAction();
}

}  // namespace

// A POSIX terminal takes UTF-8 and escape sequences as they come.
void prepare() {}

std::vector<std::string> arguments(int argc, char** argv) { return std::vector<std::string>(argv + 1, argv + argc); }

bool takesEscapeSequences(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

bool showsColours(std::FILE* stream) {
    const char* noColour = std::getenv("NO_COLOR");
    return takesEscapeSequences(stream) && (noColour == nullptr || noColour[0] == '\0');
}

bool inputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

int columns(std::FILE* stream) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return DefaultColumns;
    return size.ws_col;
}

void callOnInterrupt(void (*onPress)()) {
    interruptAction = onPress;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

void restoreDefaultInterrupt() { std::signal(SIGINT, SIG_DFL); }

// Only async-signal-safe calls from here on.
void writeErrorNow(std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
        if (n <= 0) return;
        text.remove_prefix(size_t(n));
    }
}

// _exit closes every descriptor, the serial port among them, which also
// releases its lock.
void exitNow(int status) { ::_exit(status); }

}  // namespace kq::console
