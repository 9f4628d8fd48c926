// Ctrl-C during a run: the first press asks for a stop, which the next
// message pump turns into the stop button; a press while a stop is pending
// ends the program at once.
#pragma once

namespace kq::cli {

// Installs the Ctrl-C handler (on Windows Ctrl-Break too) and clears every
// flag. clearProgressLine: the progress line on standard error is wiped
// before an immediate exit.
void installInterruptHandler(bool clearProgressLine);
// Puts the default Ctrl-C handling back.
void removeInterruptHandler();

// True once for each Ctrl-C that asked for a stop.
bool takeStopRequest();
// A stop was pressed some other way (e.g. the handshake time-out): from now
// on Ctrl-C ends the program at once.
void markStopPending();

}  // namespace kq::cli
