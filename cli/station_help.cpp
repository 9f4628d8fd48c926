#include "cli/help.h"

namespace kq::cli {

std::string_view stationHelp() {
    return R"help(Usage: flashwright-cli station [--log-dir DIR] [--records-db CONNECTION] [--json] [--cycles N]
                              [--http [ADDRESS:]PORT] RECIPE
       flashwright-cli station --print-recipe --port PORT [--port PORT...] [flash options] FILE.hex

The production station: every port of the recipe flashes one module after
another, each port on its own thread, with the upgrade run of "flash".

Local type: each port handshakes until a module answers, flashes it, then
waits until the module has gone (its handshake unanswered for a second
without a break, or the adapter gone) before the next answer counts as a
new module. A module that stays in its bootloader is never flashed twice:
its port shows "remove the module" until it has gone.
Remote types: a cycle starts when the operator says so: Enter starts one on
every port that waits, a port's number (or name) and Enter on that port. On
a bus a cycle runs the modules of its list one after another.

The recipe (TOML) pins the HEX file by its SHA-256: a file whose hash
differs is refused before any port is touched (exit status 3). Its keys are
the options of flash under the same names: hex-file, sha256, port (a string
or an array), baud, parity, chip, type, user-offset, upgrade-offset, area,
address (a string or an array), address-file, frame, handshake-timeout,
log-dir, json and records-db; also station (the station's name; default
the machine's) and, for remote with backup, a table [bus] of "PORT" =
["ADDRESS", ...] per port. Relative paths are read from the recipe's
folder. An unknown key, a value of the wrong type or a missing key
(hex-file, sha256, port) is refused with "FILE:LINE: key: reason" (exit
status 2).

Options:
  --log-dir DIR    the record folder (made when missing); wins over the
                   recipe's log-dir. One record per cycle, and at the end
                   the counts and the summary (station-<time>-summary.txt)
  --records-db CONNECTION
                   copy every cycle's record to the records database (an
                   ODBC connection string or DSN=NAME, as for flash;
                   Pwd=${NAME} takes the password from the environment);
                   wins over the recipe's records-db. One sending thread:
                   no port waits for the database. A record it has not
                   taken waits in the record folder's outbox and is sent
                   as soon as the database answers, at the next start, or
                   by "flashwright-cli records push"
  --json           one JSON object per cycle on standard output and nothing
                   else there (the log lines and the summary go to standard
                   error)
  --cycles N       each port stops after N cycles (trials, benchmarks)
  --http [ADDRESS:]PORT
                   serve the station view, a live page of the station, at
                   that address (default 127.0.0.1): the page with the
                   station's token (its buttons) and without it (read-only)
                   are printed at the start
  --print-recipe   write a recipe to standard output from the options of
                   flash and the file's hash, instead of running a station
  --help           this text
  --version        the version

Output:
  When standard error is a terminal, one live row per port: its number and
  stable name, what it does (waiting for a module, flashing NN %, remove
  the module, adapter missing, waiting for the operator), the module, the
  last result and its reason, the cycle time and its counts (passed,
  failed, yield), and a totals row (with a records database: the records
  waiting for it). Otherwise every change of what a port
  does is a line there. Each cycle's ending is one line of the log
  ("PORT: cycle 3: success (done, 9.8 s)"). A port whose adapter is
  unplugged shows "adapter missing"; a cycle it was running ends as
  port-lost, with its record; the port is opened again by its name when the
  adapter is back. Ctrl-C once: every running cycle ends at its next check,
  then the station ends with its summary; twice: at once.

Exit status: the most severe of the cycles' (as for flash: 2, 3, 5, 1, 4, 6,
0); 2 also for a refused recipe, 3 for a HEX file that is not the recipe's.
)help";
}

}  // namespace kq::cli
