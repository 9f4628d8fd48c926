// Opening and closing the chosen port on the serial channel (fake backend).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_serial_backend.h"
#include "support/recording_host.h"
#include "upgrade/upgrade_host.h"

namespace kq::test {
namespace {

TEST(OpenSelectedPort, NoPortChosenLogsItsRedLineWithoutLineEnd) {
    ScopedFakeSerial serial;
    RecordingHost host;
    UpgradeSettings settings;
    settings.portNumber = 0;
    EXPECT_EQ(openSelectedPortOn(host, settings), SelectedPortResult::NoneChosen);
    EXPECT_EQ(host.calls, std::vector<std::string>{"red:通信口没有选择"});
    EXPECT_EQ(serial.fake.openHandles(), 0);
}

TEST(OpenSelectedPort, APortThatWillNotOpenLogsItsRedLine) {
    ScopedFakeSerial serial;
    serial.fake.refusedDevices.insert("/dev/fake2");
    RecordingHost host;
    UpgradeSettings settings;
    for (int port : {2, 9}) {  // refused; a slot without a device
        host.calls.clear();
        settings.portNumber = port;
        EXPECT_EQ(openSelectedPortOn(host, settings), SelectedPortResult::CannotOpen) << port;
        EXPECT_EQ(host.calls, std::vector<std::string>{"red:通信口打不开\r\n"}) << port;
    }
    EXPECT_EQ(serial.fake.openHandles(), 0);
}

TEST(OpenSelectedPort, OpensWithTheChosenLineSettingsAndClosesAgain) {
    ScopedFakeSerial serial;
    RecordingHost host;
    UpgradeSettings settings;
    settings.portNumber = 3;
    settings.baudRate = 3;  // 9600
    settings.parity = ParityEven;
    EXPECT_EQ(openSelectedPortOn(host, settings), SelectedPortResult::Opened);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(serial.fake.openHandles(), 1);
    EXPECT_EQ(serial.fake.lastSettings.bitsPerSecond, 9600u);
    EXPECT_EQ(serial.fake.lastSettings.dataBits, 8);
    EXPECT_EQ(serial.fake.lastSettings.parity, ParityEven);
    EXPECT_EQ(serial.fake.lastSettings.stopBits, 0);

    closeSelectedPortOn(settings);
    EXPECT_EQ(serial.fake.openHandles(), 0);
}

}  // namespace
}  // namespace kq::test
