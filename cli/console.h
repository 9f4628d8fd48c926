// The terminal (POSIX) or console (Windows) that the command-line tools run
// in: everything about it that differs between systems, one file per system
// (console_posix.cpp, console_win32.cpp).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kq::console {

// Readies the console for the program's output: UTF-8 text, and escape
// sequences where the console can take them (Windows). Undone at exit.
void prepare();
// The command-line arguments after the program's name, as UTF-8.
std::vector<std::string> arguments(int argc, char** argv);

// True when stream is a terminal that acts on escape sequences (a progress
// line can be redrawn there).
bool takesEscapeSequences(std::FILE* stream);
// True when red text is to be shown in colour on stream: it takes escape
// sequences and NO_COLOR is not set.
bool showsColours(std::FILE* stream);
// True when standard input is a terminal (a person, not a script, runs us).
bool inputIsTerminal();
// Character columns of the terminal behind stream; DefaultColumns when unknown.
inline constexpr int DefaultColumns = 80;
int columns(std::FILE* stream);

// Ctrl-C (and Ctrl-Break on Windows) calls onPress, in a signal handler or on
// a thread of its own: onPress may only use lock-free atomics and the two
// calls below.
void callOnInterrupt(void (*onPress)());
// Ctrl-C ends the program again, as by default.
void restoreDefaultInterrupt();
// Writes text to standard error at once, without buffering or locks.
void writeErrorNow(std::string_view text);
// Ends the process at once with status; open handles close with it.
[[noreturn]] void exitNow(int status);

}  // namespace kq::console
