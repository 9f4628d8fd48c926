#include "flashwright_cli_help.h"

namespace kq::cli {

std::string_view toolHelp() {
    return R"(Usage: flashwright-cli COMMAND [OPTIONS]

Upgrades the program of a KQ581X (251 core) or KQ58XX (ARM core) module
through its bootloader over a serial line, as the flashwright window does.

Commands:
  ports                    list the serial ports that can be opened
  flash [OPTIONS] FILE.hex run one upgrade with an Intel HEX file

Run "flashwright-cli COMMAND --help" for the options of a command,
"flashwright-cli --version" for the version.
)";
}

std::string_view portsHelp() {
    return R"(Usage: flashwright-cli ports

Lists every serial port that can be opened, one per line: its number and
its device, e.g. "COM3  /dev/ttyUSB0". A port number stays with its device
while the program runs; a link ports/COMn beside the program (installed: also
$XDG_RUNTIME_DIR/flashwright/ports/COMn, where kqsim links) pins a device to COMn.

Options:
  --help     this text
  --version  the version
)";
}

std::string_view flashHelp() {
    return R"(Usage: flashwright-cli flash --port PORT [OPTIONS] FILE.hex

Runs one upgrade: reads FILE.hex, opens the port, then the steps of the
bootload type (local: handshake, erase, sector writes, CRC check, jump).

Options:
  --port COMn|DEVICE        the serial port (required): COM1..COM32 as
                            "flashwright-cli ports" lists them, or a device
                            path such as /dev/ttyUSB0
  --baud RATE               1200, 2400, 4800, 9600, 19200, 38400, 57600 or
                            115200 (default 115200)
  --parity none|odd|even    default none
  --chip 251|arm            KQ581X (251 core) or KQ58XX (ARM core); default 251
  --type local|backup|nobackup
                            bootload type: local, remote with backup, remote
                            without backup; default local
  --user-offset HEX         user program offset (default by chip and type:
                            1000 for 251, 4000 for arm)
  --upgrade-offset HEX      upgrade program offset, remote with backup only
                            (default 8000 for 251, 11000 for arm)
  --area KIB                upgrade program area in KiB, remote with backup only
                            (default 28 for 251, 52 for arm)
  --address TEXT            module address, remote with backup only: up to 12
                            characters, pairs of two decimal digits or AA
                            (default AAAAAAAAAAAA, any module)
  --frame 64|128|256|512    data bytes per frame, remote with backup only
                            (default 512)
  --handshake-timeout SECONDS
                            stop the run when the local handshake has gone
                            unanswered this long (default: keep trying)
  --help                    this text
  --version                 the version

An option takes its value as --option VALUE or --option=VALUE.

Output:
  The run's log goes to standard output line by line, with its time stamps.
  Lines that report a failure hold red text: on a terminal it is shown in red;
  otherwise (or with NO_COLOR set) every line that holds red text starts
  with "! ". A progress bar is drawn on standard error when it is a terminal.
  Ctrl-C stops the run at its next check, like the window's stop button; a
  second Ctrl-C while that stop is pending ends the program at once.

Exit status:
  0  upgrade succeeded
  1  the module failed a step (upgrade flag, erase, write, check, CRC,
     configure, verify)
  2  usage: bad options or an invalid module address
  3  the HEX file was refused
  4  the port could not be opened (or there is no such port)
  5  stopped (Ctrl-C, or --handshake-timeout ran out)
)";
}

}  // namespace kq::cli
