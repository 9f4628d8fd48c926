// The slot table and the port operations, against the fake backend.
#include <gtest/gtest.h>

#include "link/serial_port.h"
#include "support/fake_serial_backend.h"

namespace kq {
namespace {

using test::Bytes;
using test::ScopedFakeSerial;
using Calls = std::vector<std::string>;

class SerialPortTest : public ::testing::Test {
protected:
    ScopedFakeSerial scoped;
    test::FakeSerialBackend& fake = scoped.fake;

    void openOk(int port) {
        ASSERT_EQ(openPort(port, 7, 8, ParityNone, 0), PortOpenResult::Opened);
        fake.calls.clear();
    }
};

TEST(BaudTable, IndexToBitsPerSecond) {
    struct Row {
        const char* name;
        int index;
        uint32_t bps;
    };
    const Row rows[] = {{"first", 0, 1200},     {"second", 1, 2400},       {"fifth", 5, 38400},
                        {"last", 7, 115200},    {"pastEnd", 8, 2400},      {"negative", -1, 2400},
                        {"large", 1000, 2400}};
    for (const Row& row : rows) EXPECT_EQ(baudFromIndex(row.index), row.bps) << row.name;
}

TEST_F(SerialPortTest, OpenDeviceRefusesBadNumbersAndOpenSlots) {
    EXPECT_EQ(openDevice(0), BadArgument);
    EXPECT_EQ(openDevice(33), BadArgument);
    EXPECT_EQ(openDevice(-1), BadArgument);
    EXPECT_EQ(openDevice(2), 2);
    EXPECT_EQ(openDevice(2), AlreadyOpen);
    EXPECT_EQ(fake.openHandles(), 1);
}

TEST_F(SerialPortTest, FailedOpenLeavesTheSlotClosed) {
    fake.refusedDevices.insert("/dev/fake3");
    EXPECT_EQ(openDevice(3), OpenFailed);
    EXPECT_EQ(isClosed(3), 1);
    // A slot without a device fails without asking the platform.
    fake.calls.clear();
    EXPECT_EQ(openDevice(9), OpenFailed);
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_EQ(openPort(3, 3, 8, ParityEven, 0), PortOpenResult::Failed);
    EXPECT_EQ(isClosed(3), 1);
}

TEST_F(SerialPortTest, OpenPortConfiguresAndReopensAnOpenPort) {
    ASSERT_EQ(openPort(1, 5, 8, ParityOdd, 0), PortOpenResult::Opened);
    EXPECT_EQ(fake.lastSettings.bitsPerSecond, 38400u);
    EXPECT_EQ(fake.lastSettings.dataBits, 8);
    EXPECT_EQ(fake.lastSettings.parity, ParityOdd);
    EXPECT_EQ(fake.lastSettings.stopBits, 0);
    fake.calls.clear();
    ASSERT_EQ(openPort(1, 3, 8, ParityEven, 0), PortOpenResult::Opened);
    EXPECT_EQ(fake.calls, (Calls{"close", "open /dev/fake1", "configure"}));
    EXPECT_EQ(fake.lastSettings.bitsPerSecond, 9600u);
    EXPECT_EQ(fake.openHandles(), 1);
    EXPECT_EQ(isClosed(1), 0);
}

TEST_F(SerialPortTest, ClosingAPortThatIsNotOpen) {
    EXPECT_EQ(closePort(4), PortCloseResult::Failed);
    EXPECT_EQ(closePort(0), PortCloseResult::Failed);
    EXPECT_EQ(closeDevice(4), NotOpen);
    EXPECT_EQ(closeDevice(33), BadArgument);
    EXPECT_TRUE(fake.calls.empty());
    openOk(4);
    EXPECT_EQ(closePort(4), PortCloseResult::Closed);
    EXPECT_EQ(isClosed(4), 1);
    EXPECT_EQ(closePort(4), PortCloseResult::Failed);
}

TEST_F(SerialPortTest, ClosedSlotsNeverReachThePlatform) {
    uint8_t bytes[4] = {1, 2, 3, 4};
    EXPECT_EQ(isClosed(2), 1);
    EXPECT_EQ(isClosed(0), BadArgument);
    EXPECT_EQ(configurePort(2, LineSettings{}), NotOpen);
    EXPECT_EQ(writeBytes(2, bytes, 4), NotOpen);
    EXPECT_EQ(readAvailable(2, bytes, 4), NotOpen);
    EXPECT_EQ(purgePort(2, PurgeBoth), NotOpen);
    EXPECT_EQ(escapeLine(2, SetRts), 0);
    EXPECT_EQ(waitForInput(2, 5), NotOpen);
    clearLineErrors(2);
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_EQ(fake.reads, 0);
}

TEST_F(SerialPortTest, ArgumentChecksOnAnOpenPort) {
    openOk(1);
    uint8_t bytes[4] = {};
    EXPECT_EQ(writeBytes(1, bytes, 0), BadArgument);
    EXPECT_EQ(writeBytes(1, bytes, -3), BadArgument);
    EXPECT_EQ(readAvailable(1, bytes, 0), BadArgument);
    EXPECT_EQ(purgePort(1, 0), BadArgument);
    EXPECT_EQ(purgePort(1, 4), BadArgument);
    EXPECT_EQ(escapeLine(1, 5), 0);  // only the RTS escapes exist
    EXPECT_TRUE(fake.calls.empty());
    for (int kind : {PurgeInput, PurgeOutput, PurgeBoth}) EXPECT_EQ(purgePort(1, kind), 0);
    EXPECT_EQ(fake.calls, (Calls{"purge 1", "purge 2", "purge 3"}));
}

TEST_F(SerialPortTest, FailedWriteClearsErrorsAndKeepsThePortOpen) {
    openOk(1);
    const uint8_t bytes[3] = {1, 2, 3};
    EXPECT_EQ(writeBytes(1, bytes, 3), 3);
    fake.writeFails = true;
    EXPECT_EQ(writeBytes(1, bytes, 3), WriteFailed);
    EXPECT_EQ(fake.calls, (Calls{"write 3", "write 3", "clearErrors"}));
    EXPECT_EQ(isClosed(1), 0);
}

TEST_F(SerialPortTest, ReadAvailableTakesOnlyWhatIsWaiting) {
    openOk(1);
    uint8_t buffer[8] = {};
    EXPECT_EQ(readAvailable(1, buffer, 8), 0);
    fake.arriveNow({1, 2, 3, 4, 5});
    fake.arrive(50, {6});
    EXPECT_EQ(readAvailable(1, buffer, 3), 3);
    EXPECT_EQ(readAvailable(1, buffer + 3, 8), 2);
    EXPECT_EQ(readAvailable(1, buffer, 8), 0);
    EXPECT_EQ(buffer[4], 5);
    fake.deviceFailed = true;
    EXPECT_EQ(readAvailable(1, buffer, 8), ReadFailed);
}

TEST_F(SerialPortTest, DeviceFailuresAreCountedButSilenceIsNot) {
    uint8_t buffer[8] = {};
    const uint32_t beforeOnOne = deviceFailuresFound(1);
    const uint32_t beforeOnTwo = deviceFailuresFound(2);
    EXPECT_EQ(readAvailable(1, buffer, 8), NotOpen);  // a closed slot is not a failed device
    openOk(1);
    int received = -1;
    EXPECT_EQ(readWithTimeout(1, buffer, 0, 8, 20, received), TimedReadResult::Finished);
    EXPECT_EQ(deviceFailuresFound(1), beforeOnOne);

    fake.writeFails = true;
    EXPECT_EQ(writeBytes(1, buffer, 8), WriteFailed);
    fake.rtsFails = true;
    EXPECT_EQ(escapeLine(1, SetRts), 0);
    fake.deviceFailed = true;
    EXPECT_EQ(readAvailable(1, buffer, 8), ReadFailed);
    // Each port keeps its own count, so that runs on several ports tell their lines apart.
    EXPECT_EQ(deviceFailuresFound(1), beforeOnOne + 3);
    EXPECT_EQ(deviceFailuresFound(2), beforeOnTwo);
}

// ---- readWithTimeout ----------------------------------------------------------

TEST_F(SerialPortTest, ReadWithTimeoutCountZeroReturnsAtOnce) {
    openOk(1);
    uint8_t buffer[4];
    int received = -1;
    EXPECT_EQ(readWithTimeout(1, buffer, 0, 0, 100, received), TimedReadResult::Finished);
    EXPECT_EQ(received, 0);
    EXPECT_EQ(fake.reads, 0);
    EXPECT_EQ(fake.now, 0u);
}

TEST_F(SerialPortTest, ReadWithTimeoutZeroStillTriesAndEndsAfterMoreThanZeroMs) {
    openOk(1);
    uint8_t buffer[4];
    int received = -1;
    EXPECT_EQ(readWithTimeout(1, buffer, 0, 4, 0, received), TimedReadResult::Finished);
    EXPECT_EQ(received, 0);
    EXPECT_GE(fake.reads, 1);
    EXPECT_EQ(fake.now, 1u);
}

TEST_F(SerialPortTest, ReadWithTimeoutEndsEarlyWhenEverythingCame) {
    openOk(1);
    fake.arrive(3, {0xA1, 0xA2});
    fake.arrive(7, {0xA3, 0xA4, 0xA5});
    uint8_t buffer[10] = {};
    int received = 0;
    EXPECT_EQ(readWithTimeout(1, buffer, 2, 4, 50, received), TimedReadResult::Finished);
    EXPECT_EQ(received, 4);
    EXPECT_EQ(fake.now, 7u);
    EXPECT_EQ(Bytes(buffer, buffer + 7), (Bytes{0, 0, 0xA1, 0xA2, 0xA3, 0xA4, 0}));
    EXPECT_EQ(fake.pendingBytes(), 1u);  // the fifth byte waits for the next read
    // Waiting sleeps until the input comes: one wait per arrival, no spinning.
    EXPECT_LE(fake.waits, 2);
}

TEST_F(SerialPortTest, ReadWithTimeoutReturnsWhatCameOnceTheTimeIsUp) {
    openOk(1);
    fake.arrive(5, {1, 2});
    fake.arrive(40, {3});  // after the time-out
    uint8_t buffer[8];
    int received = 0;
    EXPECT_EQ(readWithTimeout(1, buffer, 0, 8, 30, received), TimedReadResult::Finished);
    EXPECT_EQ(received, 2);
    EXPECT_EQ(fake.now, 31u);
    EXPECT_LE(fake.waits, 3);
}

TEST_F(SerialPortTest, ReadWithTimeoutSurvivesTheTickWrapping) {
    openOk(1);
    fake.now = 0xFFFFFFF8u;
    uint8_t buffer[4];
    int received = 0;
    EXPECT_EQ(readWithTimeout(1, buffer, 0, 4, 20, received), TimedReadResult::Finished);
    EXPECT_EQ(received, 0);
    EXPECT_EQ(fake.now, 0xFFFFFFF8u + 21u);
}

TEST_F(SerialPortTest, ReadWithTimeoutFailureReportsNothingReceived) {
    uint8_t buffer[8];
    int received = 7;
    EXPECT_EQ(readWithTimeout(1, buffer, 0, 8, 10, received), TimedReadResult::ReadFailed);  // not open
    EXPECT_EQ(received, 0);

    openOk(1);
    fake.arriveNow({1, 2, 3});
    fake.failsFrom = 4;  // the adapter goes away after the first bytes
    buffer[0] = 0;
    EXPECT_EQ(readWithTimeout(1, buffer, 0, 8, 10, received), TimedReadResult::ReadFailed);
    EXPECT_EQ(buffer[0], 1);  // stored, but not to be counted
    EXPECT_EQ(fake.now, 4u);
    EXPECT_EQ(received, 0);
}

// ---- sendBlock ----------------------------------------------------------------

TEST_F(SerialPortTest, SendBlockRaisesRtsAroundAPurgedWrite) {
    openOk(1);
    fake.arriveNow({9, 9, 9});  // stale input is purged before the write
    const uint8_t bytes[5] = {1, 2, 3, 4, 5};
    int sent = 0;
    EXPECT_EQ(sendBlock(1, bytes, 5, sent), BlockSendResult::Sent);
    EXPECT_EQ(sent, 5);
    EXPECT_EQ(fake.calls, (Calls{"clearErrors", "rts 1", "purge 3", "write 5", "rts 0"}));
    EXPECT_EQ(fake.pendingBytes(), 0u);
    ASSERT_EQ(fake.writes.size(), 1u);
    EXPECT_EQ(fake.writes[0], Bytes(bytes, bytes + 5));
}

TEST_F(SerialPortTest, SendBlockFailures) {
    const uint8_t bytes[5] = {1, 2, 3, 4, 5};
    struct Row {
        const char* name;
        bool open;
        bool rtsFails;
        bool writeFails;
        bool rtsDropFails;
        Calls calls;
    };
    const Row rows[] = {
        {"closedPortStopsAtRts", false, false, false, false, {}},
        {"rtsRefused", true, true, false, false, {"clearErrors", "rts 1"}},
        {"writeRefusedStillDropsRts", true, false, true, false,
         {"clearErrors", "rts 1", "purge 3", "write 5", "clearErrors", "rts 0"}},
        {"rtsDropRefused", true, false, false, true, {"clearErrors", "rts 1", "purge 3", "write 5", "rts 0"}},
    };
    for (const Row& row : rows) {
        closePort(1);
        if (row.open) openOk(1);
        fake.calls.clear();
        fake.writes.clear();
        fake.rtsFails = row.rtsFails;
        fake.writeFails = row.writeFails;
        fake.rtsDropFails = row.rtsDropFails;
        int sent = 9;
        EXPECT_EQ(sendBlock(1, bytes, 5, sent), BlockSendResult::Failed) << row.name;
        EXPECT_EQ(sent, 0) << row.name;
        EXPECT_EQ(fake.calls, row.calls) << row.name;
        if (!row.rtsDropFails) {
            EXPECT_TRUE(fake.writes.empty()) << row.name;
        }
    }
}

// ---- listing and names -----------------------------------------------------------

TEST_F(SerialPortTest, EnumerateListsOpenablePortsAndLeavesAllClosed) {
    fake.names[7] = "/dev/fake7";
    fake.refusedDevices.insert("/dev/fake2");
    openOk(3);  // an open port is closed first, then probed like any other
    std::array<int, MaxPorts> list{};
    int count = -1;
    EXPECT_EQ(enumeratePorts(list, count), 0);
    ASSERT_EQ(count, 4);
    EXPECT_EQ((std::vector<int>(list.begin(), list.begin() + count)), (std::vector<int>{1, 3, 4, 7}));
    EXPECT_EQ(fake.openHandles(), 0);
    EXPECT_EQ(fake.lastSettings.bitsPerSecond, 9600u);
    EXPECT_EQ(fake.lastSettings.parity, ParityEven);
}

// The listing of flashwright-cli: every port the backend finds there, free or
// busy, with its description; the absent ones left out.
TEST_F(SerialPortTest, ListingShowsBusyPortsAndLeavesAbsentOnesOut) {
    fake.names[7] = "/dev/fake7";
    fake.refusedDevices.insert("/dev/fake2");  // the fake's probe reads a refusal as absent
    openOk(3);
    const std::vector<PortListing> listing = listPorts();
    std::vector<int> ports;
    for (const PortListing& entry : listing) {
        ports.push_back(entry.port);
        EXPECT_EQ(entry.state, PortState::Free);
        EXPECT_EQ(entry.description, entry.device);
        EXPECT_TRUE(entry.stableNames.empty());
    }
    EXPECT_EQ(ports, (std::vector<int>{1, 3, 4, 7}));
    EXPECT_EQ(fake.openHandles(), 0);
}

TEST_F(SerialPortTest, EnumerateOnAMachineWithoutPorts) {
    fake.names = {};
    std::array<int, MaxPorts> list{};
    int count = -1;
    EXPECT_EQ(enumeratePorts(list, count), 0);
    EXPECT_EQ(count, 0);
}

TEST_F(SerialPortTest, RenamingClosesHandlesStillOpen) {
    openOk(2);
    initPortNames();
    EXPECT_EQ(fake.openHandles(), 0);
    EXPECT_EQ(isClosed(2), 1);
    EXPECT_EQ(openDevice(2), 2);  // the device is free again
}

TEST_F(SerialPortTest, PortForDeviceFindsOrPlacesTheDevice) {
    EXPECT_EQ(portDeviceName(2), "/dev/fake2");
    EXPECT_EQ(portDeviceName(0), "");
    EXPECT_EQ(portForDevice("/dev/fake3"), 3);
    fake.aliases["/tmp/link-to-4"] = "/dev/fake4";
    EXPECT_EQ(portForDevice("/tmp/link-to-4"), 4);
    EXPECT_EQ(portForDevice("/dev/other"), 5);
    EXPECT_EQ(portDeviceName(5), "/dev/other");
    EXPECT_EQ(portForDevice("/dev/other"), 5);
    EXPECT_EQ(portForDevice(""), 0);

    for (int port = 1; port <= MaxPorts; ++port) fake.names[port] = "/dev/full" + std::to_string(port);
    initPortNames();
    openOk(32);
    EXPECT_EQ(portForDevice("/dev/none"), 31);  // the highest slot not in use
    EXPECT_EQ(portDeviceName(31), "/dev/none");
}

}  // namespace
}  // namespace kq
