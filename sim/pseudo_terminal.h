// The module's end of the line: a pseudo-terminal whose slave side the
// flasher opens as its serial port.
#pragma once

#include <string>

#include "sim/line_settings.h"
#include "platform/unique_fd_posix.h"

namespace kq::sim {

class PseudoTerminal {
public:
    // Opens master (non-blocking) and keeps a slave descriptor of its own, so
    // that the master never sees a hang-up when the flasher closes the port.
    // The slave starts raw (no echo) at the module's line settings.
    bool open(const ModuleLine& line, std::string& error);

    int master() const { return master_.get(); }
    bool isOpen() const { return master_.valid(); }
    const std::string& slaveName() const { return slaveName_; }

    // Whether the baud rate and parity that the flasher has set on the line are the module's.
    bool lineMatches(const ModuleLine& line) const;

    // Bytes written to the flasher that it has not read yet.
    int unreadReplyBytes() const;

    // Closes both ends, as an unplugged adapter would.
    void close();

private:
    UniqueFd master_;
    UniqueFd slave_;
    std::string slaveName_;
};

}  // namespace kq::sim
