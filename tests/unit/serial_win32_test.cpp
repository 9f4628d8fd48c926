// The Windows serial backend on two COM ports joined by a null modem: under
// Wine, scripts/wine-env.sh links a pair of pseudo-terminals as COM20 and
// COM21 and names them in KQ_WINE_COM_PAIR.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/serial_backend.h"
#include "link/serial_port.h"

namespace kq {
namespace {

bool underWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

class Win32Serial : public ::testing::Test {
protected:
    void SetUp() override {
        const char* pair = std::getenv("KQ_WINE_COM_PAIR");
        if (!pair || std::sscanf(pair, "%d %d", &portA, &portB) != 2)
            GTEST_SKIP() << "no joined COM ports: KQ_WINE_COM_PAIR names them (scripts/wine-env.sh, with socat)";
        // Tests run as parallel processes; the pair is one line, so one test at a time uses it.
        pairInUse = CreateMutexW(nullptr, FALSE, L"kq-unit-tests-com-pair");
        ASSERT_NE(pairInUse, nullptr);
        WaitForSingleObject(pairInUse, INFINITE);
        a = backend.open(deviceOf(portA));
        b = backend.open(deviceOf(portB));
        ASSERT_NE(a, SerialBackend::NoHandle);
        ASSERT_NE(b, SerialBackend::NoHandle);
        LineSettings settings;
        settings.bitsPerSecond = 115200;
        backend.configure(a, settings);
        backend.configure(b, settings);
        backend.purge(a, PurgeBoth);
        backend.purge(b, PurgeBoth);
    }
    void TearDown() override {
        if (a != SerialBackend::NoHandle) backend.close(a);
        if (b != SerialBackend::NoHandle) backend.close(b);
        if (pairInUse) {
            ReleaseMutex(pairInUse);
            CloseHandle(pairInUse);
        }
    }

    static std::string deviceOf(int port) { return "\\\\.\\COM" + std::to_string(port); }

    // Everything that arrives on handle within ms.
    std::string receive(SerialBackend::Handle handle, size_t wanted, int ms) {
        std::string got;
        const uint32_t start = backend.tickUs();
        while (got.size() < wanted && backend.tickUs() - start < uint32_t(ms) * 1000) {
            backend.waitReadable(handle, 5000);
            uint8_t buffer[64];
            const int n = backend.read(handle, buffer, int(sizeof buffer));
            if (n > 0) got.append(buffer, buffer + n);
        }
        return got;
    }

    SerialBackend& backend = platformSerialBackend();
    HANDLE pairInUse = nullptr;
    int portA = 0;
    int portB = 0;
    SerialBackend::Handle a = SerialBackend::NoHandle;
    SerialBackend::Handle b = SerialBackend::NoHandle;
};

TEST_F(Win32Serial, BytesWrittenOnOnePortArriveInOrderOnTheOther) {
    const std::string text = "\x7E\x00\x11\x13 binary and \xFF bytes";
    ASSERT_TRUE(backend.write(a, reinterpret_cast<const uint8_t*>(text.data()), int(text.size())));
    EXPECT_EQ(receive(b, text.size(), 1000), text);
    uint8_t more = 0;
    EXPECT_EQ(backend.read(b, &more, 1), 0) << "nothing more, and a silent line is no failure";
}

TEST_F(Win32Serial, AWaitEndsWithTheFirstByteAndKeepsIt) {
    const uint32_t start = backend.tickUs();
    ASSERT_TRUE(backend.write(a, reinterpret_cast<const uint8_t*>("x"), 1));
    backend.waitReadable(b, 2000000);
    EXPECT_LT(backend.tickUs() - start, 1000000u) << "the wait ended with the byte, not at its time-out";
    uint8_t byte = 0;
    EXPECT_EQ(backend.read(b, &byte, 1), 1);
    EXPECT_EQ(byte, 'x');
}

TEST_F(Win32Serial, AWaitOnASilentLineLastsItsTimeToAboutAMillisecond) {
    // The link waits 2 ms quiet intervals and 10 ms polls. Never shorter;
    // longer by about a millisecond (the shortest of five, so that a busy
    // machine's scheduling delays do not count).
    for (const int us : {2000, 10000}) {
        std::vector<uint32_t> elapsed;
        for (int i = 0; i < 5; ++i) {
            const uint32_t start = backend.tickUs();
            backend.waitReadable(b, us);
            elapsed.push_back(backend.tickUs() - start);
            EXPECT_GE(elapsed.back(), uint32_t(us)) << us;
        }
        EXPECT_LT(*std::min_element(elapsed.begin(), elapsed.end()), uint32_t(us) + 2500) << us;
    }
}

TEST_F(Win32Serial, PurgingTheInputAlsoDropsTheByteAWaitTook) {
    ASSERT_TRUE(backend.write(a, reinterpret_cast<const uint8_t*>("xyz"), 3));
    backend.waitReadable(b, 1000000);
    Sleep(50);  // the other two bytes arrive too
    backend.purge(b, PurgeInput);
    uint8_t byte = 0;
    EXPECT_EQ(backend.read(b, &byte, 1), 0);
}

TEST_F(Win32Serial, RtsOnAPortWithoutModemLinesCountsAsDone) {
    // A pseudo-terminal has no modem lines: the escape is refused, which counts as done.
    EXPECT_TRUE(backend.setRts(a, true));
    EXPECT_TRUE(backend.setRts(a, false));
}

TEST_F(Win32Serial, ASecondOpenOfAnOpenPortFails) {
    if (underWine()) GTEST_SKIP() << "Wine does not enforce the exclusive open of a COM port";
    EXPECT_EQ(backend.open(deviceOf(portA)), SerialBackend::NoHandle);
}

TEST_F(Win32Serial, TheChannelListsThePortsAndCarriesABlock) {
    backend.close(a);
    backend.close(b);
    a = b = SerialBackend::NoHandle;

    std::array<int, MaxPorts> list{};
    int count = 0;
    enumeratePorts(list, count);
    const std::vector<int> listed(list.begin(), list.begin() + count);
    EXPECT_NE(std::find(listed.begin(), listed.end(), portA), listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), portB), listed.end());
    EXPECT_EQ(portDeviceName(portA), deviceOf(portA));

    ASSERT_EQ(openPort(portA, 7, 8, ParityNone, 0), PortOpenResult::Opened);
    ASSERT_EQ(openPort(portB, 7, 8, ParityNone, 0), PortOpenResult::Opened);
    const uint8_t block[] = {0x7E, 0x00, 0x06, 0x7E, 0x15, 0x00};
    int sent = 0;
    EXPECT_EQ(sendBlock(portA, block, int(sizeof block), sent), BlockSendResult::Sent);
    EXPECT_EQ(sent, int(sizeof block));
    uint8_t got[sizeof block] = {};
    int received = 0;
    EXPECT_EQ(readWithTimeout(portB, got, 0, int(sizeof block), 500, received), TimedReadResult::Finished);
    EXPECT_EQ(received, int(sizeof block));
    EXPECT_EQ(std::vector<uint8_t>(got, got + received), std::vector<uint8_t>(block, block + sizeof block));

    // Nothing more comes: the read ends after its time-out with what it has.
    EXPECT_EQ(readWithTimeout(portB, got, 0, 1, 20, received), TimedReadResult::Finished);
    EXPECT_EQ(received, 0);
    closePort(portA);
    closePort(portB);
}

}  // namespace
}  // namespace kq
