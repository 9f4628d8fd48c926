// While the toolkit opens its platform (in QApplication's constructor), a
// named display that cannot be reached (gone, or refusing this user) is a
// fatal error that aborts the program. The guard turns that into the
// program's no-display line and exit status 1, after the toolkit's own
// warnings (which name the display); every other message passes as before.
#pragma once

#include <QtGlobal>

#include <string_view>

namespace kq {

class DisplayGuard {
public:
    explicit DisplayGuard(std::string_view program);  // the program's name, for its line
    ~DisplayGuard();                                   // the previous message handler again
    DisplayGuard(const DisplayGuard&) = delete;
    DisplayGuard& operator=(const DisplayGuard&) = delete;

private:
    QtMessageHandler previous_;
};

}  // namespace kq
