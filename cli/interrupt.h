// Ctrl-C during the runs: the first press asks every run to stop, which each
// run's next message pump turns into its stop button; a press while that stop
// is pending ends the program at once (lock files removed first).
#pragma once

namespace kq::cli {

// Installs the Ctrl-C handler (on Windows Ctrl-Break too) and clears the
// flags. clearProgressLine: the progress lines on standard error are wiped
// before an immediate exit.
void installInterruptHandler(bool clearProgressLine);
// Puts the default Ctrl-C handling back and forgets a stop asked for.
void removeInterruptHandler();

// True from the first Ctrl-C on: every run that has not yet stopped should.
bool stopRequested();

}  // namespace kq::cli
