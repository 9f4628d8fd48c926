#include "cli/help.h"

namespace kq::cli {

std::string_view toolHelp() {
    return R"(Usage: flashwright-cli COMMAND [OPTIONS]

Upgrades the program of a KQ581X (251 core) or KQ58XX (ARM core) module
through its bootloader over a serial line, as the flashwright window does.

Commands:
  ports [--json]           list the serial ports, busy ones marked, with their
                           stable names and adapters
  flash [OPTIONS] FILE.hex run the upgrade on one or more ports
  check [OPTIONS] FILE.hex load FILE.hex as flash would and tell what would
                           be sent (a dry run: no port is touched)
  station RECIPE           the production station: flash one module after
                           another on every port of the recipe
  records [OPTIONS] [DIR]  the records of the upgrades, from the records
                           database or from the journals of a folder
  records push --records-db CONNECTION DIR
                           send a folder's outbox to the records database

Run "flashwright-cli COMMAND --help" for the options of a command,
"flashwright-cli --version" for the version.
)";
}

std::string_view portsHelp() {
    return R"(Usage: flashwright-cli ports [--json]

Lists the serial ports, one per line: its number and its device, e.g.
"COM3  /dev/ttyUSB0". A port another program holds (open, or by its lock
file LCK..<device> in /var/lock or $KQ_LOCK_DIR) is marked "busy", with the
process that holds the lock where it is known; one this user may not open,
"no permission"; a lock file that holds no process id is named so. Under
a port, indented, come the names that stay the same when its adapter is
plugged in again, which --port takes as well:
  by-path   the link in /dev/serial/by-path: the USB socket the adapter is
            in, whatever adapter that is (also one without a serial number)
  by-id     the link in /dev/serial/by-id: the adapter's ids and serial
            number, whichever socket it is in
  location  Windows: the device's location path (the socket), beside the
            COM name the system keeps for the adapter
and its adapter: USB vendor and product id, maker and product, driver,
serial number and latency timer, where the system tells them, e.g.
  adapter   USB 0403:6001 FTDI FT232R USB UART (ftdi_sio), serial A50285BI,
            latency timer 16 ms
A latency timer above 2 ms holds every reply back that long; the listing
warns about it on standard error, with how to lower it.
A port number stays with its device while the program runs; a link
ports/COMn beside the program (installed: also
$XDG_RUNTIME_DIR/flashwright/ports/COMn, where kqsim links) pins a device
to COMn.

Options:
  --json     one JSON object per port and line instead: port, device,
             description, state (free, busy, no-permission), lock_owner,
             by_path, by_id, location_path, usb_vendor_id, usb_product_id,
             usb_serial_number, usb_manufacturer, usb_product, driver,
             latency_timer_ms (null where unknown)
  --help     this text
  --version  the version
)";
}

std::string_view flashHelp() {
    return R"help(Usage: flashwright-cli flash --port PORT [--port PORT...] [OPTIONS] FILE.hex

Runs the upgrade: reads FILE.hex, opens the port, then the steps of the
bootload type (local: handshake, erase, sector writes, CRC check, jump).
Given several times, --port upgrades one module per port, all at once.

Options:
  --port COMn|DEVICE        a serial port (required; may be repeated):
                            COM1..COM32 as "flashwright-cli ports" lists
                            them, or a device path such as /dev/ttyUSB0 or
                            /dev/serial/by-id/...
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
  --address TEXT            module address, remote paths only (refused with
                            --type local): up to 12 characters, pairs of two
                            decimal digits or AA, padded on the left with 0
                            to the 12 characters sent (12345 is sent, and
                            recorded, as 000000012345); default AAAAAAAAAAAA,
                            any module. With --type backup it may be
                            repeated: the modules of a bus are upgraded one
                            after another, on every port.
  --address-file FILE       the modules of the bus, one address per line by
                            the rule of --address ("#" starts a comment)
  --frame 64|128|256|512    data bytes per frame, remote with backup only
                            (default 512)
  --handshake-timeout SECONDS
                            stop a local handshake that has gone unanswered
                            this long (exit status 6). Default: keep trying
                            until Ctrl-C when standard input is a terminal,
                            else 30 seconds
  --log-dir DIR             write a record of every run into DIR (made when
                            missing): one file per run, named by date, time,
                            port and (remote paths) module address; each
                            record, with its run id, is appended to
                            DIR/records.jsonl as well (the journal) before
                            the run counts as ended
  --records-db CONNECTION   copy every record to the records database: an
                            ODBC connection string or a DSN, e.g.
                            "Driver={PostgreSQL Unicode};Server=db;Port=5432;
                            Database=records;Uid=line;Pwd=${KQ_RECORDS_PWD}"
                            (Pwd=${NAME} takes the password from the
                            environment variable NAME). Needs --log-dir. A
                            record the database does not take waits in the
                            folder's outbox (said on standard error; the
                            exit status stays that of the upgrade) until
                            "flashwright-cli records push" sends it
  --json                    print one JSON object per run on standard output
                            and nothing else there (the log and the summary
                            go to standard error)
  --help                    this text
  --version                 the version

An option takes its value as --option VALUE or --option=VALUE.

Output:
  The run's log goes to standard output line by line, with its time stamps;
  with several runs each line starts with its port (and module address on a
  bus), e.g. "COM3: 擦除成功", and a summary table (port, result, step
  reached, duration) follows the log. Lines that report a failure hold red
  text: on a terminal it is shown in red; otherwise (or with NO_COLOR set)
  every line that holds red text has "! " before its text. When standard
  error is a terminal, a progress line per port is drawn there, and a
  waiting handshake shows "waiting for the module (attempt N)". Ctrl-C stops
  every run at its next check, like the window's stop button; a second
  Ctrl-C while that stop is pending ends the program at once.
  A HEX file without an end record, or with lines that are not records,
  still flashes, with one warning line each on standard error, e.g.
  'flashwright-cli: warning: "app.hex": no end record'. After a failure one
  line on standard error names the likely cause; for a port that did not
  open: no such device, not a serial device, in use (by which process, or
  by its lock file), or permission denied (with the group to join).

Exit status (of several runs: the most severe, in the order 2, 3, 5, 1, 4, 6):
  0  every upgrade succeeded
  1  a module failed a step (upgrade flag, erase, write, check, CRC,
     configure, verify): it answered wrongly or not at all
  2  usage: bad options, address file or log folder
  3  the HEX file was refused
  4  a port could not be opened (no such device, not a serial device, in
     use, no permission), or its device failed during any step of the run
     (a read or write error, the adapter unplugged: result "port-lost")
  5  stopped by Ctrl-C (also when a handshake time-out came as well)
  6  the handshake went unanswered for the whole --handshake-timeout
)help";
}

std::string_view checkHelp() {
    return R"(Usage: flashwright-cli check [OPTIONS] FILE.hex

Loads FILE.hex with the loader and the options of "flash" (--chip, --type,
--user-offset, --upgrade-offset, --area) and prints what an upgrade would
send: the file's size, time and SHA-256, the address range, the image
length, the sectors and the image CRC-16 as the module computes it.
Every option of "flash" is taken and checked as flash checks it (ports,
addresses, address file, record folder), but no port is touched and no
folder made: a script's dry run. With --json one JSON object is printed
instead. A file without an end record, or with lines that are not records,
is still taken: one warning line each on standard error, as flash gives,
and the line "warnings:" (in JSON the list "warnings"), absent for a clean
file.

Exit status:
  0  the file would be flashed
  2  usage: bad options, address file or log folder, or two names of one
     port
  3  the HEX file was refused (the reason goes to standard error)
  4  a device given with --port finds no free port number
)";
}

std::string_view recordsHelp() {
    return R"(Usage: flashwright-cli records --records-db CONNECTION [QUESTION...] [--json]
       flashwright-cli records DIR [QUESTION...] [--json]
       flashwright-cli records push --records-db CONNECTION DIR

Answers questions about the upgrades, newest first: from the records
database when --records-db is given, else from the journals (records.jsonl)
of the record folder DIR and of the folders directly inside it. A text
table (time, port, module, result, step, SHA-256 shortened, run id), or
with --json one JSON line per record.

"records push" sends the outbox of the record folder DIR (the records of its
journal the database has not acknowledged yet) and prints how many were sent,
already there and still waiting.

Questions (every one given must hold):
  --module ADDRESS   the upgrades of that module (padded to 12 characters
                     as flash pads it)
  --sha256 HASH      the upgrades with that HEX file (64 hex digits)
  --since TIME       started at or after TIME: YYYY-MM-DD[ hh:mm[:ss[.mmm]]]
  --until TIME       started before TIME
  --station NAME     written by that station
  --result WORD      success, failed, refused, stopped, ...
  --limit N          at most the N newest records

Options:
  --records-db CONNECTION
                     an ODBC connection string or a DSN, as flash takes it
  --json             one JSON line per record
  --help             this text

Exit status:
  0  answered (records push: nothing waits any more)
  2  usage: bad options, or a variable of the connection string not set
  7  the records database could not be reached or refused (push: records
     still wait in the outbox)
  8  the folder's journals could not be read
)";
}

}  // namespace kq::cli
