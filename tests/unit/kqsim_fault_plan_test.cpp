// Injected faults: per-command counting, and what each fault does to the
// reply and to the module; noise and split replies that a receiver must survive.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "link/bootloader_commands.h"
#include "sim/fault_plan.h"
#include "sim/line_noise.h"
#include "sim/line_settings.h"
#include "sim/module_identity.h"
#include "sim/reply_sender.h"
#include "sim/request_handler.h"
#include "sim/request_log.h"
#include "sim/sim_options.h"
#include "unit/kqsim_test_frames.h"

namespace kq::sim {
namespace {

using test::bigEndian32;
using test::Bytes;
using test::flashFrame;
using test::moduleFrame;
using test::requestFrom;

const ModuleAddress Own = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00};

TEST(KqsimFaultPlan, SilentForTheFirstNThenAnswered) {
    FaultPlan plan;
    plan.silence(CmdHandshake, 2);
    EXPECT_TRUE(plan.next(CmdHandshake).silent);
    EXPECT_FALSE(plan.next(CmdEraseAll).silent);  // other commands have their own count
    EXPECT_TRUE(plan.next(CmdHandshake).silent);
    EXPECT_FALSE(plan.next(CmdHandshake).silent);
    EXPECT_EQ(plan.requestsOf(CmdHandshake), 3u);
}

TEST(KqsimFaultPlan, RulesOnOneCommandShareItsCount) {
    FaultPlan plan;
    plan.silence(CmdWriteSector, 1);
    plan.refuse(CmdWriteSector, 2);
    const FaultDecision first = plan.next(CmdWriteSector);
    EXPECT_TRUE(first.silent);
    EXPECT_FALSE(first.errorBit);  // a silenced request is not answered at all
    EXPECT_TRUE(plan.next(CmdWriteSector).errorBit);
    const FaultDecision third = plan.next(CmdWriteSector);
    EXPECT_FALSE(third.silent || third.errorBit);
}

TEST(KqsimFaultPlan, EveryRequestForeignAndDelays) {
    FaultPlan plan;
    plan.refuse(CmdEraseAll, EveryRequest);
    plan.answerForeign(CmdReadFlashCrc, 1);
    plan.delay(CmdEraseAll, 250);
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(plan.next(CmdEraseAll).errorBit);
    EXPECT_EQ(plan.next(CmdEraseAll).delayMs, 250);
    EXPECT_TRUE(plan.next(CmdReadFlashCrc).foreign);
    EXPECT_FALSE(plan.next(CmdReadFlashCrc).foreign);
    EXPECT_EQ(plan.next(CmdHandshake).delayMs, 0);
}

TEST(KqsimFaultPlan, CrcCorruptionCountsReplies) {
    FaultPlan plan;
    plan.corruptCrc(2);
    EXPECT_TRUE(plan.nextCrcIsWrong());
    EXPECT_TRUE(plan.nextCrcIsWrong());
    EXPECT_FALSE(plan.nextCrcIsWrong());
}

// ---- the faults as the flasher meets them ---------------------------------------------------

class KqsimFaults : public ::testing::Test {
protected:
    KqsimFaults() : flash(flashGeometry(ChipFamily::Kq581x)), model(flash, ModuleMode::Boot), handler(model, plan, Own) {}
    Handling handle(const Bytes& frame) { return handler.handle(requestFrom(frame), true); }
    uint8_t byteAt(uint32_t address) const { return flash.bytes()[address - flash.geometry().base]; }

    FlashModel flash;
    BootloaderModel model;
    FaultPlan plan;
    RequestHandler handler;
};

TEST_F(KqsimFaults, SilentWriteIsNotCarriedOut) {
    plan.silence(CmdWriteSector, 1);
    Handling h = handle(flashFrame(CmdWriteSector, 0xFF1000, Bytes(512, 0x00)));
    EXPECT_EQ(h.kind, ReplyKind::Silent);
    EXPECT_TRUE(h.reply.empty());
    EXPECT_EQ(byteAt(0xFF1000), 0xFF);
    h = handle(flashFrame(CmdWriteSector, 0xFF1000, Bytes(512, 0x00)));
    EXPECT_EQ(h.kind, ReplyKind::Ok);
    EXPECT_EQ(byteAt(0xFF1000), 0x00);
}

TEST_F(KqsimFaults, ErrorBitRefusesWithoutActing) {
    plan.refuse(CmdWriteSector, 1);
    plan.refuse(CmdJumpToProgram, 1);
    Handling h = handle(flashFrame(CmdWriteSector, 0xFF1000, Bytes(512, 0x00)));
    EXPECT_EQ(h.kind, ReplyKind::Error);
    EXPECT_EQ(h.reply, flashFrame(0xD508, 0xFF1000));
    EXPECT_EQ(byteAt(0xFF1000), 0xFF);
    // A command without a reply stays undone and unanswered.
    h = handle(flashFrame(CmdJumpToProgram, 0));
    EXPECT_TRUE(h.reply.empty());
    EXPECT_EQ(model.mode(), ModuleMode::Boot);
}

TEST_F(KqsimFaults, ForeignRepliesNameAnotherSectorOrModule) {
    plan.answerForeign(CmdEraseSector, 1);
    plan.answerForeign(CmdRemoteVerify, 1);
    Handling h = handle(flashFrame(CmdEraseSector, 0xFF1000));
    EXPECT_EQ(h.kind, ReplyKind::Foreign);
    EXPECT_EQ(h.reply, flashFrame(0x9502, 0xFF1200));
    h = handle(moduleFrame(CmdRemoteVerify, Own));
    EXPECT_EQ(h.kind, ReplyKind::Foreign);
    EXPECT_EQ(h.reply, moduleFrame(0xD603, foreignAddress(Own)));
    EXPECT_EQ(handle(flashFrame(CmdEraseSector, 0xFF1000)).kind, ReplyKind::Ok);
}

TEST_F(KqsimFaults, BadCrcAddsOneToTheFirstNReplies) {
    plan.corruptCrc(1);
    const Bytes request = flashFrame(CmdReadFlashCrc, 0xFF1000, bigEndian32(512));
    const Handling wrong = handle(request);
    const Handling right = handle(request);
    ASSERT_TRUE(wrong.crc && right.crc);
    EXPECT_EQ(*wrong.crc, static_cast<uint16_t>(*right.crc + 1));
    const Bytes payload = {0, 0, 2, 0, static_cast<uint8_t>(*wrong.crc >> 8), static_cast<uint8_t>(*wrong.crc)};
    EXPECT_EQ(wrong.reply, flashFrame(0x95FD, 0xFF1000, payload));
}

// ---- noise and split replies ------------------------------------------------------------------

// What the flasher's receive does: the first 0x68 position that validates.
std::optional<Bytes> firstValidReply(const Bytes& bytes, uint16_t code, uint32_t address) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != FrameStart) continue;
        uint8_t payload[MaxReplyPayload];
        int length = 0;
        if (validateFrame(code, address, &bytes[i], static_cast<int>(bytes.size() - i), payload, length) == 0)
            return Bytes(payload, payload + length);
    }
    return std::nullopt;
}

TEST(KqsimLineNoise, AReceiverStillFindsTheReplyBehindIt) {
    LineNoise noise;
    const Bytes reply = flashFrame(0x95FD, 0xFF1000, {0, 0, 2, 0, 0x12, 0x34});
    for (const size_t count : {1u, 4u, 13u, 200u}) {
        Bytes line = noise.make(count);
        ASSERT_EQ(line.size(), count);
        EXPECT_EQ(line.back(), FrameStart);
        if (count >= 13) {
            EXPECT_GT(std::count(line.begin(), line.end(), FrameStart), 2);
        }
        line.insert(line.end(), reply.begin(), reply.end());
        const std::optional<Bytes> found = firstValidReply(line, CmdReadFlashCrc, 0xFF1000);
        ASSERT_TRUE(found.has_value()) << count << " noise bytes";
        EXPECT_EQ(*found, (Bytes{0, 0, 2, 0, 0x12, 0x34}));
    }
}

TEST(KqsimReplySplit, PiecesCoverTheReplyWithoutEmptyOnes) {
    EXPECT_EQ(pieceSizes(13, 1), (std::vector<size_t>{13}));
    EXPECT_EQ(pieceSizes(13, 4), (std::vector<size_t>{4, 3, 3, 3}));
    EXPECT_EQ(pieceSizes(3, 10), (std::vector<size_t>{1, 1, 1}));
    const std::vector<size_t> sizes = pieceSizes(525, 7);
    EXPECT_EQ(std::accumulate(sizes.begin(), sizes.end(), size_t{0}), 525u);
}

// A pseudo-terminal drops PARENB: parity shows through PARODD and INPCK only.
TEST(KqsimLineSettings, ParityAsAPseudoTerminalShowsIt) {
    termios none{}, odd{}, evenChecked{};
    odd.c_cflag = PARODD;
    evenChecked.c_iflag = INPCK;
    EXPECT_TRUE(parityFits(none, Parity::None));
    EXPECT_FALSE(parityFits(none, Parity::Odd));
    EXPECT_TRUE(parityFits(none, Parity::Even));  // even without INPCK cannot be told from none
    EXPECT_TRUE(parityFits(odd, Parity::Odd));
    EXPECT_FALSE(parityFits(odd, Parity::Even));
    EXPECT_FALSE(parityFits(odd, Parity::None));
    EXPECT_TRUE(parityFits(evenChecked, Parity::Even));
    EXPECT_FALSE(parityFits(evenChecked, Parity::None));
}

// ---- how faults and logs are asked for -----------------------------------------------------

TEST(KqsimOptions, FaultOptionsFillThePlan) {
    SimOptions options;
    std::string error;
    ASSERT_EQ(parseSimOptions({"--silent", "handshake:2", "--error-bit=0x1508:1", "--bad-crc=1", "--delay",
                               "erase-all:40", "--foreign", "remote-write", "--family", "arm"},
                              options, error),
              ParseStatus::Run)
        << error;
    FaultPlan& plan = options.faults;
    EXPECT_TRUE(plan.next(CmdHandshake).silent);
    EXPECT_TRUE(plan.next(CmdHandshake).silent);
    EXPECT_FALSE(plan.next(CmdHandshake).silent);
    EXPECT_TRUE(plan.next(CmdWriteSector).errorBit);
    EXPECT_FALSE(plan.next(CmdWriteSector).errorBit);
    EXPECT_EQ(plan.next(CmdEraseAll).delayMs, 40);
    EXPECT_TRUE(plan.next(CmdRemoteWrite).foreign);
    EXPECT_TRUE(plan.nextCrcIsWrong());
    EXPECT_FALSE(plan.nextCrcIsWrong());
    EXPECT_EQ(options.family, ChipFamily::Kq58xx);
    EXPECT_FALSE(options.stayInBoot);
    ASSERT_EQ(parseSimOptions({"--stay-in-boot"}, options, error), ParseStatus::Run) << error;
    EXPECT_TRUE(options.stayInBoot);
}

TEST(KqsimOptions, MistakesAreReported) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--silent", "flash-everything:1"},
             {"--error-bit", "erase-all:some"},
             {"--baud", "12345"},
             {"--parity", "mark"},
             {"--address", "12345"},
             {"--boot-size", "20000"},  // larger than the 251's 64 KiB
             {"--split", "0"},
             {"--log"},
             {"--stay-in-boot=yes"},
             {"--frobnicate"}}) {
        SimOptions options;
        std::string error;
        EXPECT_EQ(parseSimOptions(args, options, error), ParseStatus::Error) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(KqsimRequestLog, OneJsonObjectPerRequest) {
    Request request = requestFrom(flashFrame(CmdHandshake, 0));
    Handling handling;
    handling.kind = ReplyKind::Ok;
    LogRecord record{1, 12.3454, &request, &handling, 13, 0};
    EXPECT_EQ(formatLogLine(record),
              "{\"n\":1,\"t_ms\":12.345,\"code\":\"0x15FF\",\"name\":\"handshake\",\"layout\":\"flash\","
              "\"address\":\"0x00000000\",\"payload\":0,\"request_bytes\":13,\"reply\":\"ok\",\"reply_bytes\":13,"
              "\"mode\":\"boot\"}");

    request = requestFrom(moduleFrame(CmdRemoteWrite, Own, {0, 0, 2, 0, 9, 9}));
    handling.kind = ReplyKind::Silent;
    handling.offset = 512;
    handling.mode = ModuleMode::App;
    record = {7, 0.5, &request, &handling, 0, 0};
    EXPECT_EQ(formatLogLine(record),
              "{\"n\":7,\"t_ms\":0.500,\"code\":\"0x1602\",\"name\":\"remote-write\",\"layout\":\"module\","
              "\"module\":\"010000000000\",\"payload\":6,\"request_bytes\":21,\"reply\":\"silent\",\"reply_bytes\":0,"
              "\"offset\":512,\"mode\":\"app\"}");
}

}  // namespace
}  // namespace kq::sim
