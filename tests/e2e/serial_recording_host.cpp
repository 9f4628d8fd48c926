#include "e2e/serial_recording_host.h"

#include <string>

namespace kq::testing {

SelectedPortResult SerialRecordingHost::openSelectedPort(const UpgradeSettings& settings) {
    record_.note("open:" + std::to_string(settings.portNumber));
    return openSelectedPortOn(*this, settings);
}

void SerialRecordingHost::closeSelectedPort(const UpgradeSettings& settings) {
    record_.note("close:" + std::to_string(settings.portNumber));
    closeSelectedPortOn(settings);
}

}  // namespace kq::testing
