// A COM port of the Wine prefix for one simulated module: the first free
// $WINEPREFIX/dosdevices/comN (N = 1..32), where kqsim then links its
// pseudo-terminal so that Windows programs open it as COMn. The choice is made
// under a lock file of the prefix, held until this object goes (after kqsim has
// made its link), so that two test processes never pick one number.
#pragma once

#include <string>

namespace kq::testing {

class WineComLink {
public:
    // Reserves a number when the tests run under Wine, else nothing.
    WineComLink();
    ~WineComLink();
    WineComLink(const WineComLink&) = delete;
    WineComLink& operator=(const WineComLink&) = delete;

    // The link to make ("" when nothing is reserved) and the port it is.
    const std::string& path() const { return path_; }
    const std::string& portName() const { return portName_; }  // "COMn"

private:
    int lockFd_ = -1;
    std::string path_;
    std::string portName_;
};

}  // namespace kq::testing
