// The twelve commands against a fake line with a scripted module behind it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "link/bootloader_commands.h"
#include "link/serial_port.h"
#include "support/fake_serial_backend.h"

namespace kq {
namespace {

using test::Bytes;

const ModuleAddress Module = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
const ModuleAddress AnyModule = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};

Bytes sectorData() {
    Bytes data(512);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    return data;
}
const Bytes Sector = sectorData();
const Bytes Chunk(Sector.begin(), Sector.begin() + 64);

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct CommandRow {
    const char* name;
    std::function<CommandResult(int port)> run;
    uint16_t code;
    bool moduleLayout;
    uint32_t address;      // flash layout
    Bytes payload;         // request payload expected on the line
    int timeoutMs;         // 0 = no reply awaited
};

const std::vector<CommandRow>& commandRows() {
    static const std::vector<CommandRow> rows = {
        {"handshake", [](int p) { return handshake(p); }, 0x15FF, false, 0, {}, 150},
        {"eraseAll", [](int p) { return eraseAll(p); }, 0x1501, false, 0, {}, 2000},
        {"eraseSector", [](int p) { return eraseSector(p, 0xFF0400); }, 0x1502, false, 0xFF0400, {}, 300},
        {"writeSector", [](int p) { return writeSector(p, 0x2200, Sector.data(), 512); }, 0x1508, false, 0x2200,
         Sector, 500},
        {"readFlashCrc",
         [](int p) {
             uint16_t crc = 0;
             return readFlashCrc(p, 0x2000, 0x600, crc);
         },
         0x15FD, false, 0x2000, {0x00, 0x00, 0x06, 0x00}, 2000},
        {"jumpToProgram", [](int p) { return jumpToProgram(p); }, 0x15FE, false, 0, {}, 0},
        {"resetModule", [](int p) { return resetModule(p); }, 0x1500, false, 0, {}, 0},
        {"writeUpgradeFlag", [](int p) { return writeUpgradeFlag(p); }, 0x15FC, false, 0, {}, 150},
        {"remoteReset", [](int p) { return remoteReset(p, Module); }, 0x1600, true, 0, {}, 0},
        {"remoteConfigure", [](int p) { return remoteConfigure(p, Module, 0x40000, 0x2000, 1536, 0x1234); }, 0x1601,
         true, 0, {0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x12, 0x34, 0x12, 0x34, 0x00, 0x00, 0x20, 0x00},
         4000},
        {"remoteWrite", [](int p) { return remoteWrite(p, Module, 0x200, Chunk.data(), 64); }, 0x1602, true, 0,
         concat({{0x00, 0x00, 0x02, 0x00}, Chunk}), 2000},
        {"remoteVerify", [](int p) { return remoteVerify(p, Module); }, 0x1603, true, 0, {}, 3000},
    };
    return rows;
}

Bytes expectedRequest(const CommandRow& row) {
    Bytes frame(FrameBufferBytes);
    const int n = row.moduleLayout
                      ? buildModuleFrame(frame.data(), row.code, Module, row.payload.data(), int(row.payload.size()))
                      : buildFrame(frame.data(), row.code, row.address, row.payload.data(), int(row.payload.size()));
    frame.resize(static_cast<size_t>(n));
    return frame;
}

// The module: answers each request after 4 ms (or answerAfterMs) with the reply of its code.
struct ScriptedModule {
    bool silent = false;
    uint32_t answerAfterMs = 4;
    uint16_t extraBits = 0;              // e.g. ErrorBit
    int32_t addressShift = 0;            // answers for another flash address
    ModuleAddress moduleAddress = Module;
    Bytes replyPayload;
    std::optional<Bytes> crcPayload = Bytes{0x00, 0x00, 0x06, 0x00, 0xBE, 0xEF};

    void attach(test::FakeSerialBackend& fake) {
        fake.onWrite = [this, &fake](const Bytes& request) {
            if (silent) return;
            const uint16_t code = static_cast<uint16_t>(request[4] << 8 | request[5]);
            const uint16_t replyCode = static_cast<uint16_t>(code | ReplyBit | extraBits);
            const Bytes payload = code == CmdReadFlashCrc && crcPayload ? *crcPayload : replyPayload;
            if (code >= 0x1600) {
                fake.arrive(fake.now + answerAfterMs, test::moduleReply(replyCode, moduleAddress, payload));
            } else {
                uint32_t address = 0;
                for (int k = 0; k < 4; ++k) address = address << 8 | request[6 + k];
                fake.arrive(fake.now + answerAfterMs, test::flashReply(replyCode, address + addressShift, payload));
            }
        };
    }
};

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(openPort(2, 7, 8, ParityNone, 0), PortOpenResult::Opened);
        module.attach(fake);
    }

    test::ScopedFakeSerial scoped;
    test::FakeSerialBackend& fake = scoped.fake;
    ScriptedModule module;
};

TEST_F(CommandTest, EveryRequestOnTheWireAndItsAnswer) {
    for (const CommandRow& row : commandRows()) {
        fake.writes.clear();
        fake.now += 10;  // the answer to a request that awaited none comes and goes
        purgePort(2, PurgeInput);
        const uint32_t start = fake.now;
        EXPECT_EQ(row.run(2), Ok) << row.name;
        ASSERT_EQ(fake.writes.size(), 1u) << row.name;
        EXPECT_EQ(fake.writes[0], expectedRequest(row)) << row.name;
        // One quiet interval (just over DrainQuietMs) before the request, not two.
        EXPECT_EQ(fake.writeTicks.back() - start, uint32_t(DrainQuietMs + 1)) << row.name;
        if (row.timeoutMs == 0) {
            // Nothing awaited: the command returns once the request is written.
            EXPECT_EQ(fake.now, fake.writeTicks.back()) << row.name;
        } else {
            EXPECT_EQ(fake.now, fake.writeTicks.back() + 4) << row.name;
        }
    }
}

TEST_F(CommandTest, PortOutsideTheTableWritesNothing) {
    for (const CommandRow& row : commandRows()) {
        for (int port : {0, 33, -1}) EXPECT_EQ(row.run(port), BadPort) << row.name << " port " << port;
    }
    EXPECT_TRUE(fake.writes.empty());
    EXPECT_EQ(fake.reads, 0);
}

TEST_F(CommandTest, ClosedPortFailsAtTheDrain) {
    closePort(2);
    for (const CommandRow& row : commandRows()) EXPECT_EQ(row.run(2), DrainFailed) << row.name;
    EXPECT_TRUE(fake.writes.empty());
}

TEST_F(CommandTest, RefusedWriteIsASendFailure) {
    fake.writeFails = true;
    for (const CommandRow& row : commandRows()) EXPECT_EQ(row.run(2), SendFailed) << row.name;
}

// Lines of the time-out tests: the rate, the parity and its bits per
// character, and how long the write call takes.
struct LineRow {
    const char* name;
    int baudIndex;
    int parity;
    double bitsPerCharacter;
    uint32_t writeLastsMs;
};
const LineRow LineRows[] = {
    {"115200 8N1", 7, ParityNone, 10, 0},
    {"1200 8N1", 0, ParityNone, 10, 0},
    {"1200 8E1", 0, ParityEven, 11, 0},
    // A write that returns after the bytes have left (a draining line).
    {"115200 8N1, slow write", 7, ParityNone, 10, 100},
};

// When the request has left the line, ms after the write began.
double wireEndMs(const LineRow& line, const CommandRow& row) {
    const double wireMs = double(expectedRequest(row).size()) * line.bitsPerCharacter * 1000 /
                          double(BaudRates[static_cast<size_t>(line.baudIndex)]);
    return std::max(wireMs, double(line.writeLastsMs));
}

// The whole budget, counted from the moment the request has left the line.
TEST_F(CommandTest, SilentModuleMeansNoReplyAfterTheWholeBudget) {
    module.silent = true;
    for (const LineRow& line : LineRows) {
        ASSERT_EQ(openPort(2, line.baudIndex, 8, line.parity, 0), PortOpenResult::Opened);
        fake.writeLastsMs = line.writeLastsMs;
        for (const CommandRow& row : commandRows()) {
            if (row.timeoutMs == 0) {
                EXPECT_EQ(row.run(2), Ok) << row.name;
                continue;
            }
            EXPECT_EQ(row.run(2), NoReply) << line.name << " " << row.name;
            // Each of the fake's waits rounds up to whole ms (a poll of just over 10 ms lasts 11).
            const double expected = wireEndMs(line, row) + receivePollBudget(row.timeoutMs) * (ReceivePollMs + 1);
            const double took = fake.now - fake.writeTicks.back();
            EXPECT_NEAR(took, expected, 1.0) << line.name << " " << row.name;
        }
    }
}

// At a low rate a request takes longer on the wire than its time-out (a
// sector at 1200 baud: 4.4 s against 500 ms); a module that answers just
// within the time-out after it has the request is heard.
TEST_F(CommandTest, ReplyWithinTheTimeOutAfterTheWireEndIsTaken) {
    for (const LineRow& line : LineRows) {
        ASSERT_EQ(openPort(2, line.baudIndex, 8, line.parity, 0), PortOpenResult::Opened);
        fake.writeLastsMs = line.writeLastsMs;
        for (const CommandRow& row : commandRows()) {
            if (row.timeoutMs == 0) continue;
            module.answerAfterMs = static_cast<uint32_t>(wireEndMs(line, row)) - line.writeLastsMs + row.timeoutMs;
            EXPECT_EQ(row.run(2), Ok) << line.name << " " << row.name;
        }
    }
}

TEST_F(CommandTest, ErrorBitCountsAsNoReply) {
    module.extraBits = ErrorBit;
    for (const CommandRow& row : commandRows())
        EXPECT_EQ(row.run(2), row.timeoutMs == 0 ? Ok : NoReply) << row.name;
}

TEST_F(CommandTest, ReplyForAnotherFlashAddressIsIgnored) {
    module.addressShift = 0x200;
    EXPECT_EQ(writeSector(2, 0x2200, Sector.data(), 512), NoReply);
    EXPECT_EQ(eraseSector(2, 0x2200), NoReply);
}

TEST_F(CommandTest, ModuleAddressMustMatchUnlessWildcard) {
    module.moduleAddress = {0x99, 0x99, 0x99, 0x99, 0x99, 0x99};
    EXPECT_EQ(remoteVerify(2, Module), NoReply);
    EXPECT_EQ(remoteVerify(2, AnyModule), Ok);
    EXPECT_EQ(remoteConfigure(2, AnyModule, 0, 0, 512, 0), Ok);
}

TEST_F(CommandTest, FlashCrcComesFromTheLastTwoReplyBytes) {
    struct Row {
        const char* name;
        std::optional<Bytes> reply;  // nullopt: the module stays silent
        CommandResult result;
        uint16_t crc;
    };
    const Row rows[] = {
        {"sixBytes", Bytes{0x00, 0x00, 0x02, 0x00, 0x12, 0x34}, Ok, 0x1234},
        {"fourBytes", Bytes{0x00, 0x00, 0x12, 0x34}, BadReplyLength, 0x5555},
        {"sevenBytes", Bytes{0, 0, 0, 0, 0x12, 0x34, 0}, BadReplyLength, 0x5555},
        {"noReply", std::nullopt, NoReply, 0x5555},
    };
    for (const Row& row : rows) {
        module.silent = !row.reply;
        module.crcPayload = row.reply;
        uint16_t crc = 0x5555;
        EXPECT_EQ(readFlashCrc(2, 0xFF2000, 0x200, crc), row.result) << row.name;
        EXPECT_EQ(crc, row.crc) << row.name;
    }
}

TEST_F(CommandTest, StaleInputIsEmptiedBeforeTheRequest) {
    // A reply left over from an earlier exchange must not answer this one.
    fake.arriveNow(test::flashReply(CmdHandshake | ReplyBit, 0));
    module.silent = true;
    EXPECT_EQ(handshake(2), NoReply);
}

TEST_F(CommandTest, BlocksThatDoNotFitARequestAreNotSent) {
    static uint8_t big[FrameBufferBytes + 16];
    EXPECT_EQ(writeSector(2, 0, big, MaxFlashPayload + 1), SendFailed);
    EXPECT_EQ(writeSector(2, 0, big, -1), SendFailed);
    EXPECT_EQ(remoteWrite(2, Module, 0, big, MaxModulePayload - RemoteWriteHeaderBytes + 1), SendFailed);
    EXPECT_TRUE(fake.writes.empty());
    EXPECT_EQ(remoteWrite(2, Module, 0, big, MaxModulePayload - RemoteWriteHeaderBytes), Ok);
}

TEST_F(CommandTest, SerialCommandSetReachesTheLine) {
    SerialCommandSet commands;
    CommandSet& set = commands;
    EXPECT_EQ(set.handshake(2), Ok);
    uint16_t crc = 0;
    EXPECT_EQ(set.readFlashCrc(2, 0, 0x200, crc), Ok);
    EXPECT_EQ(crc, 0xBEEF);
    EXPECT_EQ(set.remoteWrite(2, Module, 0x400, Chunk.data(), 64), Ok);
    ASSERT_EQ(fake.writes.size(), 3u);
    EXPECT_EQ(fake.writes[2][5], 0x02);
    EXPECT_EQ(set.handshake(40), BadPort);
}

}  // namespace
}  // namespace kq
