#include "upgrade_window/log_colours.h"

#include "upgrade/upgrade_host.h"

namespace kq {

TextColour logColour(int code) {
    switch (code & 0xFF) {
    case LogBlue: return {0, 0, 255};
    case LogRed: return {255, 0, 0};
    case LogGreen: return {0, 255, 0};
    case LogYellow: return {255, 255, 0};
    default: return LogTextBlack;
    }
}

}  // namespace kq
