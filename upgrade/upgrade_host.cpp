// Opening and closing the chosen port on the serial channel.
#include "upgrade/upgrade_host.h"

#include "link/serial_port.h"
#include "platform/local_time.h"

namespace kq {

namespace {
inline constexpr int PortDataBits = 8;     // data bits per character
inline constexpr int PortOneStopBit = 0;   // stop-bits code of one stop bit
}  // namespace

SelectedPortResult openSelectedPortOn(UpgradeHost& host, const UpgradeSettings& settings) {
    if (settings.portNumber == 0) {
        host.appendLogColoured("通信口没有选择", LogRed);
        return SelectedPortResult::NoneChosen;
    }
    if (openPort(settings.portNumber, settings.baudRate, PortDataBits, settings.parity, PortOneStopBit) !=
        PortOpenResult::Opened) {
        host.appendLogColoured("通信口打不开\r\n", LogRed);
        return SelectedPortResult::CannotOpen;
    }
    return SelectedPortResult::Opened;
}

std::string timestampText(std::time_t t) {
    char text[32] = "";
    if (const auto local = localTime(t)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &*local);
    return text;
}

void closeSelectedPortOn(const UpgradeSettings& settings) { closePort(settings.portNumber); }

}  // namespace kq
