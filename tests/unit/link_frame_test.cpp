// Frames, CRC, and the search for a reply in the incoming bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "link/link_frame.h"
#include "link/serial_port.h"
#include "support/fake_serial_backend.h"

namespace kq {
namespace {

using test::Bytes;
using test::flashReply;
using test::moduleReply;

constexpr uint16_t Code = 0x1508;
constexpr uint16_t ReplyCode = Code | ReplyBit;
constexpr uint32_t Address = 0x00FF0200;
const ModuleAddress Module = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00};

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// ---- CRC and frame layout ----------------------------------------------------------

TEST(Crc16, CheckValueAndEmptyInput) {
    const char* digits = "123456789";
    EXPECT_EQ(crc16(reinterpret_cast<const uint8_t*>(digits), 9), 0x2189);
    EXPECT_EQ(crc16(nullptr, 0), 0);
    const uint8_t zero = 0;
    EXPECT_EQ(crc16(&zero, 1), 0);
}

TEST(FrameLayout, EmptyRequestsInBothLayouts) {
    uint8_t frame[FrameBufferBytes];
    ASSERT_EQ(buildFrame(frame, 0x15FF, 0, nullptr, 0), 13);
    // CRC-16/KERMIT of the first ten bytes is 0x5052, carried high byte first.
    EXPECT_EQ(Bytes(frame, frame + 13), (Bytes{0x68, 0x00, 0x06, 0x68, 0x15, 0xFF, 0, 0, 0, 0, 0x50, 0x52, 0x16}));

    const ModuleAddress module = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(buildModuleFrame(frame, 0x1603, module, nullptr, 0), 15);
    EXPECT_EQ(Bytes(frame, frame + 15),
              (Bytes{0x68, 0x00, 0x08, 0x68, 0x16, 0x03, 1, 2, 3, 4, 5, 6, 0xD0, 0xA3, 0x16}));
}

TEST(FrameLayout, AddressAndPayloadBigEndian) {
    uint8_t frame[FrameBufferBytes];
    const uint8_t payload[2] = {0xAB, 0xCD};
    ASSERT_EQ(buildFrame(frame, 0x1508, 0x00FF0200, payload, 2), 15);
    EXPECT_EQ(Bytes(frame, frame + 15),
              (Bytes{0x68, 0x00, 0x08, 0x68, 0x15, 0x08, 0x00, 0xFF, 0x02, 0x00, 0xAB, 0xCD, 0xF9, 0xE2, 0x16}));
}

TEST(FrameLayout, PayloadLimitsOfTheRequestBuffer) {
    static uint8_t frame[FrameBufferBytes + 64];
    static uint8_t payload[FrameBufferBytes] = {};
    EXPECT_EQ(buildFrame(frame, Code, 0, payload, MaxFlashPayload), FrameBufferBytes);
    EXPECT_EQ(buildFrame(frame, Code, 0, payload, MaxFlashPayload + 1), 0);
    EXPECT_EQ(buildModuleFrame(frame, Code, Module, payload, MaxModulePayload), FrameBufferBytes);
    EXPECT_EQ(buildModuleFrame(frame, Code, Module, payload, MaxModulePayload + 1), 0);
    EXPECT_EQ(buildFrame(frame, Code, 0, payload, -1), 0);
}

// ---- validation -------------------------------------------------------------------

struct Mutation {
    const char* name;
    std::function<void(Bytes&)> change;
    int availableDelta;  // bytes held relative to the frame's length
    int expected;        // 0 valid, 1 rejected
};

void resealCrc(Bytes& frame) {
    const size_t crcAt = frame.size() - 3;
    const uint16_t crc = crc16(frame.data(), crcAt);
    frame[crcAt] = static_cast<uint8_t>(crc >> 8);
    frame[crcAt + 1] = static_cast<uint8_t>(crc);
}

TEST(ValidateFrame, AcceptsOnlyACompleteMatchingReply) {
    const Mutation rows[] = {
        {"good", [](Bytes&) {}, 0, 0},
        {"trailingBytes", [](Bytes&) {}, 5, 0},
        {"errorBitStillValid", [](Bytes& f) { f[4] |= 0x40, resealCrc(f); }, 0, 0},
        {"lastByteMissing", [](Bytes&) {}, -1, 1},
        {"wrongCrc", [](Bytes& f) { f[f.size() - 2] ^= 1; }, 0, 1},
        {"wrongEndByte", [](Bytes& f) { f.back() = 0x17; }, 0, 1},
        {"secondStartWrong", [](Bytes& f) { f[3] = 0x69, resealCrc(f); }, 0, 1},
        {"otherAddress", [](Bytes& f) { f[9] ^= 1, resealCrc(f); }, 0, 1},
        {"otherCode", [](Bytes& f) { f[5] ^= 1, resealCrc(f); }, 0, 1},
        {"replyBitMissing", [](Bytes& f) { f[4] &= 0x7F, resealCrc(f); }, 0, 1},
    };
    const Bytes good = flashReply(ReplyCode, Address, {1, 2, 3});
    for (const Mutation& row : rows) {
        Bytes frame = good;
        row.change(frame);
        Bytes held = frame;
        held.resize(frame.size() + 8, 0x00);
        uint8_t payload[MaxReplyPayload] = {};
        int length = -1;
        const int available = static_cast<int>(frame.size()) + row.availableDelta;
        EXPECT_EQ(validateFrame(Code, Address, held.data(), available, payload, length), row.expected) << row.name;
        if (row.expected == 0) {
            EXPECT_EQ(length, 3) << row.name;
            EXPECT_EQ(Bytes(payload, payload + 3), (Bytes{1, 2, 3})) << row.name;
        }
    }
}

TEST(ValidateFrame, LengthFieldBounds) {
    struct Row {
        const char* name;
        int payloadBytes;
        int lengthField;  // L written into the frame
        int expected;
    };
    const Row rows[] = {
        {"emptyPayload", 0, 6, 0},        {"fullPayload", 512, 518, 0},
        {"payloadTooLong", 513, 519, 1},  {"lengthBelowHeader", 0, 5, 1},
    };
    for (const Row& row : rows) {
        // A reply whose fields are right except possibly L, with spare bytes behind it.
        const int L = row.lengthField;
        Bytes frame(static_cast<size_t>(std::max(L + 7, 13) + 8), 0x5A);
        frame[0] = frame[3] = FrameStart;
        frame[1] = static_cast<uint8_t>(L >> 8);
        frame[2] = static_cast<uint8_t>(L);
        frame[4] = static_cast<uint8_t>(ReplyCode >> 8);
        frame[5] = static_cast<uint8_t>(ReplyCode);
        for (int k = 0; k < 4; ++k) frame[6 + k] = static_cast<uint8_t>(Address >> (24 - 8 * k));
        const uint16_t crc = crc16(frame.data(), static_cast<size_t>(L + 4));
        frame[L + 4] = static_cast<uint8_t>(crc >> 8);
        frame[L + 5] = static_cast<uint8_t>(crc);
        frame[L + 6] = FrameEnd;
        static uint8_t payload[1024];
        int length = -1;
        EXPECT_EQ(validateFrame(Code, Address, frame.data(), static_cast<int>(frame.size()), payload, length),
                  row.expected)
            << row.name;
        if (row.expected == 0) {
            EXPECT_EQ(length, row.payloadBytes) << row.name;
        }
    }
}

TEST(ValidateModuleFrame, AddressWildcardsAndLengthBounds) {
    const ModuleAddress sender = {0x12, 0x34, 0x56, 0x78, 0x90, 0x12};
    struct Row {
        const char* name;
        ModuleAddress expected;
        int result;
    };
    const Row rows[] = {
        {"exact", sender, 0},
        {"allWildcards", {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}, 0},
        {"someWildcards", {0x12, 0xAA, 0x56, 0xAA, 0x90, 0x12}, 0},
        {"oneByteDiffers", {0x12, 0x34, 0x56, 0x78, 0x90, 0x13}, 1},
        {"differsBesideWildcard", {0xAA, 0x35, 0xAA, 0xAA, 0xAA, 0xAA}, 1},
    };
    const Bytes reply = moduleReply(0x1601 | ReplyBit, sender, {7, 8});
    for (const Row& row : rows) {
        uint8_t payload[MaxReplyPayload];
        int length = -1;
        EXPECT_EQ(validateModuleFrame(0x1601, row.expected, reply.data(), static_cast<int>(reply.size()), payload,
                                      length),
                  row.result)
            << row.name;
        if (row.result == 0) {
            EXPECT_EQ(length, 2) << row.name;
        }
    }
}

TEST(ValidateModuleFrame, ShortLengthFieldsOfTheOtherLayoutAreRejected) {
    for (int lengthField : {6, 7}) {
        // A frame shaped like a valid one but with L too short for a module address.
        Bytes frame(static_cast<size_t>(lengthField + 7 + 8), 0x00);
        frame[0] = frame[3] = FrameStart;
        frame[2] = static_cast<uint8_t>(lengthField);
        frame[4] = 0x96;
        frame[5] = 0x03;
        const uint16_t crc = crc16(frame.data(), static_cast<size_t>(lengthField + 4));
        frame[lengthField + 4] = static_cast<uint8_t>(crc >> 8);
        frame[lengthField + 5] = static_cast<uint8_t>(crc);
        frame[lengthField + 6] = FrameEnd;
        const ModuleAddress any = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
        uint8_t payload[MaxReplyPayload];
        int length = -1;
        EXPECT_EQ(validateModuleFrame(0x1603, any, frame.data(), static_cast<int>(frame.size()), payload, length), 1)
            << "L=" << lengthField;
    }
}

// ---- receive ------------------------------------------------------------------------

class ReceiveTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(openPort(1, 7, 8, ParityNone, 0), PortOpenResult::Opened); }

    ReceiveOutcome receive(int timeoutMs = 150) {
        return receiveFrame(1, Code, Address, payload, length, timeoutMs);
    }

    test::ScopedFakeSerial scoped;
    test::FakeSerialBackend& fake = scoped.fake;
    uint8_t payload[MaxReplyPayload] = {};
    int length = -1;
};

TEST_F(ReceiveTest, SilentLineSpendsTheWholeBudget) {
    struct Row {
        int timeoutMs;
        int polls;
    };
    for (const Row row : {Row{150, 17}, Row{0, 2}, Row{300, 32}, Row{2000, 202}, Row{4000, 402}}) {
        fake.now = 1000;
        fake.waits = 0;
        EXPECT_EQ(receive(row.timeoutMs), NoValidReply) << row.timeoutMs;
        // Each silent poll sleeps once and lasts just over 10 ms.
        EXPECT_EQ(fake.waits, row.polls) << row.timeoutMs;
        EXPECT_EQ(fake.now - 1000, static_cast<uint32_t>(row.polls * (ReceivePollMs + 1))) << row.timeoutMs;
    }
}

TEST_F(ReceiveTest, ReplyAfterNoiseWithStrayStartBytes) {
    fake.arriveNow(concat({{0x68, 0x00, 0x68, 0x68, 0x01, 0x16, 0x68}, flashReply(ReplyCode, Address, {0x42}),
                           {0x55, 0x68}}));
    EXPECT_EQ(receive(), ReplyOk);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(payload[0], 0x42);
}

TEST_F(ReceiveTest, ReplySplitOverPollsIsFoundWhenItsLastByteCame) {
    const Bytes reply = flashReply(ReplyCode, Address, {9, 8, 7});
    fake.arrive(0, Bytes(reply.begin(), reply.begin() + 5));
    fake.arrive(25, Bytes(reply.begin() + 5, reply.end() - 1));
    fake.arrive(43, Bytes(reply.end() - 1, reply.end()));
    EXPECT_EQ(receive(), ReplyOk);
    EXPECT_EQ(fake.now, 43u);
    EXPECT_EQ(Bytes(payload, payload + length), (Bytes{9, 8, 7}));
}

TEST_F(ReceiveTest, APollEndsAsSoonAsTheReplyIsComplete) {
    fake.arrive(1, flashReply(ReplyCode, Address));
    fake.arrive(1, {0x00, 0x01});  // the module's chatter after the reply stays queued
    EXPECT_EQ(receive(), ReplyOk);
    EXPECT_EQ(fake.now, 1u);
    EXPECT_EQ(length, 0);
}

TEST_F(ReceiveTest, RepliesToOtherRequestsArePassedOver) {
    fake.arriveNow(concat({flashReply(0x15FF | ReplyBit, Address, {1}), flashReply(ReplyCode, Address + 0x200, {2}),
                           flashReply(Code, Address, {3})}));  // an echo of the request itself
    fake.arrive(30, flashReply(ReplyCode, Address, {4}));
    EXPECT_EQ(receive(), ReplyOk);
    EXPECT_EQ(fake.now, 30u);
    EXPECT_EQ(payload[0], 4);
}

TEST_F(ReceiveTest, BrokenCandidatesArePassedOverAndPollingGoesOn) {
    Bytes badCrc = flashReply(ReplyCode, Address, {1});
    badCrc[badCrc.size() - 2] ^= 0xFF;
    Bytes badEnd = flashReply(ReplyCode, Address, {2});
    badEnd.back() = 0x00;
    fake.arriveNow(concat({badCrc, badEnd}));
    EXPECT_EQ(receive(), NoValidReply);
    EXPECT_EQ(fake.pendingBytes(), 0u);
}

TEST_F(ReceiveTest, ErrorBitGivesOutcomeOneWithItsPayload) {
    fake.arriveNow(flashReply(ReplyCode | ErrorBit, Address, {0xEE, 0x01}));
    const uint32_t before = repliesFound(1);
    EXPECT_EQ(receive(), ReplyWithError);
    EXPECT_EQ(Bytes(payload, payload + length), (Bytes{0xEE, 0x01}));
    EXPECT_EQ(repliesFound(1), before + 1);  // a refusal is still an answer

    fake.arriveNow(flashReply(ReplyCode, Address + 0x200));
    EXPECT_EQ(receive(), NoValidReply);
    EXPECT_EQ(repliesFound(1), before + 1);  // a foreign reply is none
}

TEST_F(ReceiveTest, ModuleLayoutWithWildcardAddress) {
    const ModuleAddress sender = {0x21, 0x43, 0x65, 0x87, 0x09, 0x00};
    const ModuleAddress any = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    const ModuleAddress other = {0x21, 0x43, 0x65, 0x87, 0x09, 0x01};
    fake.arriveNow(moduleReply(0x1602 | ReplyBit, sender, {5}));
    EXPECT_EQ(receiveModuleFrame(1, 0x1602, other, payload, length, 20), NoValidReply);
    fake.arriveNow(moduleReply(0x1602 | ReplyBit, sender, {5}));
    EXPECT_EQ(receiveModuleFrame(1, 0x1602, any, payload, length, 20), ReplyOk);
    EXPECT_EQ(length, 1);
}

TEST_F(ReceiveTest, ExactlyTheHoldLimitOfGarbageEndsTheReceive) {
    fake.arriveNow(Bytes(ReceiveHoldLimit, 0x00));
    const Bytes reply = flashReply(ReplyCode, Address);
    fake.arriveNow(reply);  // behind the garbage: never looked at
    EXPECT_EQ(receive(2000), NoValidReply);
    EXPECT_EQ(fake.pendingBytes(), reply.size());
    EXPECT_EQ(fake.now, 0u);  // 16 full polls, no waiting
}

TEST_F(ReceiveTest, MoreThanTheHoldLimitDropsTheOldestAndGoesOn) {
    // 1000 bytes take 16 polls, the 17th brings 64 more: 1064 held, 512 dropped.
    fake.arriveNow(Bytes(1000, 0x68));
    fake.arrive(200, Bytes(64, 0x00));
    const Bytes reply = flashReply(ReplyCode, Address, {0x77});
    fake.arrive(300, reply);
    EXPECT_EQ(receive(2000), ReplyOk);
    EXPECT_EQ(payload[0], 0x77);
    EXPECT_EQ(fake.now, 300u);
}

TEST_F(ReceiveTest, FailedDeviceSpendsTheBudgetWithoutWaiting) {
    fake.deviceFailed = true;
    EXPECT_EQ(receive(2000), NoValidReply);
    EXPECT_EQ(fake.now, 0u);
    EXPECT_EQ(fake.reads, 202);
}

// ---- drain and send ------------------------------------------------------------------

TEST_F(ReceiveTest, DrainEndsAtTheFirstQuietRead) {
    fake.arriveNow(Bytes(100, 0x01));
    fake.arrive(2, Bytes(10, 0x02));
    fake.arrive(50, {0x03});
    EXPECT_EQ(drainInput(1), DrainResult::Quiet);
    EXPECT_EQ(fake.pendingBytes(), 1u);
    EXPECT_LT(fake.now, 50u);
    closePort(1);
    EXPECT_EQ(drainInput(1), DrainResult::ReadFailed);
}

TEST_F(ReceiveTest, DrainOfALineThatNeverFallsQuietStops) {
    for (uint32_t tick = 0; tick < 5000; ++tick) fake.arrive(tick, {0x00});
    EXPECT_EQ(drainInput(1), DrainResult::Quiet);
    EXPECT_GT(fake.now, 1000u);
    EXPECT_LT(fake.now, 1100u);
}

TEST_F(ReceiveTest, SendFrameWritesTheWholeFrame) {
    const uint8_t data[3] = {0xA, 0xB, 0xC};
    fake.calls.clear();
    EXPECT_EQ(sendFrameWithoutDrain(1, Code, Address, data, 3), FrameSendResult::Sent);
    ASSERT_EQ(fake.writes.size(), 1u);
    Bytes expected(16);
    buildFrame(expected.data(), Code, Address, data, 3);
    EXPECT_EQ(fake.writes[0], expected);

    const ModuleAddress module = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(sendModuleFrameWithoutDrain(1, 0x1602, module, data, 3), FrameSendResult::Sent);
    ASSERT_EQ(fake.writes.size(), 2u);
    EXPECT_EQ(fake.writes[1].size(), 18u);
}

TEST_F(ReceiveTest, SendFrameFailures) {
    fake.writeFails = true;
    EXPECT_EQ(sendFrameWithoutDrain(1, Code, Address, nullptr, 0), FrameSendResult::BlockFailed);
    EXPECT_EQ(sendModuleFrameWithoutDrain(1, Code, Module, nullptr, 0), FrameSendResult::BlockFailed);
    fake.writeFails = false;
    static uint8_t big[FrameBufferBytes];
    EXPECT_EQ(sendFrameWithoutDrain(1, Code, Address, big, MaxFlashPayload + 1), FrameSendResult::BlockFailed);
    EXPECT_TRUE(fake.writes.empty());
}

}  // namespace
}  // namespace kq
