// The simulated module: who it answers, the bootloader and user-program
// modes, the flash commands, and the remote upgrade with backup.
#include <gtest/gtest.h>

#include <string>

#include "link/bootloader_commands.h"
#include "sim/bootloader_model.h"
#include "sim/module_identity.h"
#include "sim/request_handler.h"
#include "unit/kqsim_test_frames.h"

namespace kq::sim {
namespace {

using test::bigEndian32;
using test::Bytes;
using test::flashFrame;
using test::join;
using test::moduleFrame;
using test::requestFrom;

const ModuleAddress Own = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00};

// ---- module address -----------------------------------------------------------------

struct AddressRow {
    const char* name;
    ModuleAddress requested;
    bool addressed;
};

class KqsimModuleAddress : public ::testing::TestWithParam<AddressRow> {};

TEST_P(KqsimModuleAddress, MatchesByteForByteWithWildcards) {
    EXPECT_EQ(isAddressedTo(GetParam().requested, Own), GetParam().addressed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KqsimModuleAddress,
    ::testing::Values(AddressRow{"Exact", {0x01, 0, 0, 0, 0, 0}, true},
                      AddressRow{"AllWildcards", {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}, true},
                      AddressRow{"WildcardFirstByte", {0xAA, 0, 0, 0, 0, 0}, true},
                      AddressRow{"OtherFirstByte", {0x02, 0, 0, 0, 0, 0}, false},
                      AddressRow{"OtherLastByte", {0x01, 0, 0, 0, 0, 0x01}, false},
                      AddressRow{"ByteOrderReversed", {0, 0, 0, 0, 0, 0x01}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KqsimModuleAddress, ForeignAddressDiffersInEveryByte) {
    const ModuleAddress other = foreignAddress(Own);
    for (size_t k = 0; k < Own.size(); ++k) EXPECT_NE(other[k], Own[k]) << "byte " << k;
}

// ---- modes ------------------------------------------------------------------------------

struct Module {
    explicit Module(ModuleMode mode, ChipFamily family = ChipFamily::Kq581x, bool stayInBoot = false)
        : flash(flashGeometry(family)), model(flash, mode, stayInBoot) {}
    CommandOutcome run(const Bytes& frame) { return model.execute(requestFrom(frame)); }
    FlashModel flash;
    BootloaderModel model;
};

TEST(KqsimModes, WhatEachProgramListensTo) {
    Module boot(ModuleMode::Boot);
    Module app(ModuleMode::App);
    for (const uint16_t code : {CmdHandshake, CmdEraseAll, CmdEraseSector, CmdWriteSector, CmdReadFlashCrc,
                                CmdJumpToProgram}) {
        EXPECT_TRUE(boot.model.listensTo(code)) << std::hex << code;
        EXPECT_FALSE(app.model.listensTo(code)) << std::hex << code;
    }
    for (const uint16_t code : {CmdWriteUpgradeFlag, CmdResetModule, CmdRemoteReset, CmdRemoteConfigure,
                                CmdRemoteWrite, CmdRemoteVerify}) {
        EXPECT_TRUE(boot.model.listensTo(code)) << std::hex << code;
        EXPECT_TRUE(app.model.listensTo(code)) << std::hex << code;
    }
    EXPECT_FALSE(boot.model.listensTo(0x1503));
}

TEST(KqsimModes, JumpAndResetMoveBetweenPrograms) {
    Module module(ModuleMode::Boot);
    EXPECT_FALSE(module.run(flashFrame(CmdJumpToProgram, 0)).replies);
    EXPECT_EQ(module.model.mode(), ModuleMode::App);
    // A reset without the upgrade flag restarts the user program.
    module.run(flashFrame(CmdResetModule, 0));
    EXPECT_EQ(module.model.mode(), ModuleMode::App);
    // With the flag the bootloader runs, and the flag is used up.
    EXPECT_TRUE(module.run(flashFrame(CmdWriteUpgradeFlag, 0)).replies);
    module.run(flashFrame(CmdResetModule, 0));
    EXPECT_EQ(module.model.mode(), ModuleMode::Boot);
    EXPECT_FALSE(module.model.upgradeFlag());
    module.run(flashFrame(CmdResetModule, 0));
    EXPECT_EQ(module.model.mode(), ModuleMode::App);
}

TEST(KqsimModes, StayingInBootAJumpOrRemoteResetLeadsBackToTheBootloader) {
    Module module(ModuleMode::Boot, ChipFamily::Kq581x, true);
    module.run(flashFrame(CmdJumpToProgram, 0));
    EXPECT_EQ(module.model.mode(), ModuleMode::Boot);
    module.run(moduleFrame(CmdRemoteReset, Own, {}));
    EXPECT_EQ(module.model.mode(), ModuleMode::Boot);
    // A plain reset without the flag still starts the user program.
    module.run(flashFrame(CmdResetModule, 0));
    EXPECT_EQ(module.model.mode(), ModuleMode::App);
}

// ---- flash commands -----------------------------------------------------------------

TEST(KqsimFlashCommands, ReadCrcReplyCarriesLengthAndCrc) {
    Module module(ModuleMode::Boot);
    const CommandOutcome outcome = module.run(flashFrame(CmdReadFlashCrc, 0xFF1000, bigEndian32(0x600)));
    ASSERT_TRUE(outcome.replies);
    EXPECT_FALSE(outcome.error);
    const Bytes erased(0x600, 0xFF);
    const uint16_t crc = crc16(erased.data(), erased.size());
    EXPECT_EQ(outcome.payload, (Bytes{0, 0, 0x06, 0x00, static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)}));
}

struct RefusalRow {
    const char* name;
    Bytes frame;
};

class KqsimFlashRefusals : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(KqsimFlashRefusals, AnsweredWithTheErrorBitAndNothingChanges) {
    Module module(ModuleMode::Boot);
    const Bytes before = module.flash.bytes();
    const CommandOutcome outcome = module.run(GetParam().frame);
    EXPECT_TRUE(outcome.replies);
    EXPECT_TRUE(outcome.error);
    EXPECT_EQ(module.flash.bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KqsimFlashRefusals,
    ::testing::Values(
        RefusalRow{"WriteIntoBootloader", flashFrame(CmdWriteSector, 0xFF0E00, Bytes(512, 0))},
        RefusalRow{"WriteWithoutFamilyOffset", flashFrame(CmdWriteSector, 0x1000, Bytes(512, 0))},
        RefusalRow{"WritePastTheEnd", flashFrame(CmdWriteSector, 0xFFFF00, Bytes(512, 0))},
        RefusalRow{"EraseBootloaderSector", flashFrame(CmdEraseSector, 0xFF0000)},
        RefusalRow{"CrcPastTheEnd", flashFrame(CmdReadFlashCrc, 0xFFFE00, bigEndian32(0x400))},
        RefusalRow{"CrcWithoutLength", flashFrame(CmdReadFlashCrc, 0xFF1000)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KqsimFlashCommands, RewriteWithoutEraseShowsInTheCrc) {
    Module module(ModuleMode::Boot, ChipFamily::Kq58xx);
    Bytes first(512, 0x0F), second(512, 0xF0);
    ASSERT_FALSE(module.run(flashFrame(CmdWriteSector, 0x4000, first)).error);
    ASSERT_FALSE(module.run(flashFrame(CmdWriteSector, 0x4000, second)).error);
    const auto crcNow = [&] { return module.run(flashFrame(CmdReadFlashCrc, 0x4000, bigEndian32(512))).crc; };
    EXPECT_NE(crcNow(), crc16(second.data(), second.size()));
    module.run(flashFrame(CmdEraseSector, 0x4000));
    module.run(flashFrame(CmdWriteSector, 0x4000, second));
    EXPECT_EQ(crcNow(), crc16(second.data(), second.size()));
}

// ---- remote upgrade with backup -----------------------------------------------------------

constexpr uint32_t Backup = 0x40000;  // ARM flash addresses
constexpr uint32_t User = 0x4000;

Bytes configurePayload(uint32_t upgrade, uint32_t length, uint16_t crc, uint32_t user, uint16_t crcCopy) {
    const Bytes crcBytes = {static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
    const Bytes copyBytes = {static_cast<uint8_t>(crcCopy >> 8), static_cast<uint8_t>(crcCopy)};
    return join({bigEndian32(upgrade), bigEndian32(length), crcBytes, copyBytes, bigEndian32(user)});
}

class KqsimBackup : public ::testing::Test {
protected:
    KqsimBackup() : module(ModuleMode::App, ChipFamily::Kq58xx), backup(module.flash) {
        for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + 1);
        imageCrc = crc16(image.data(), image.size());
    }
    bool configure() { return backup.configure(configurePayload(Backup, 1024, imageCrc, User, imageCrc)); }
    bool frame(uint32_t offset, size_t size) {
        return backup.writeFrame(join({bigEndian32(offset), Bytes(image.begin() + offset, image.begin() + offset + size)}));
    }
    Bytes area(uint32_t address) const {
        const auto start = module.flash.bytes().begin() + address;
        return Bytes(start, start + 1024);
    }

    Module module;
    BackupUpgrade backup;
    Bytes image = Bytes(1024);
    uint16_t imageCrc = 0;
};

TEST_F(KqsimBackup, ConfigureFramesVerifyAndResetInstallTheImage) {
    module.flash.load(Bytes(0x80000, 0x00));  // old content everywhere: configure must erase the backup area
    ASSERT_TRUE(configure());
    for (uint32_t offset = 0; offset < 1024; offset += 256) ASSERT_TRUE(frame(offset, 256));
    EXPECT_EQ(area(Backup), image);
    ASSERT_TRUE(backup.verify());
    EXPECT_TRUE(backup.installOnReset());
    EXPECT_EQ(area(User), image);
    // The configuration is gone with the reset: a second reset copies nothing.
    EXPECT_FALSE(backup.plan().has_value());
    EXPECT_FALSE(backup.installOnReset());
}

TEST_F(KqsimBackup, ConfigureRefusals) {
    EXPECT_FALSE(backup.configure(Bytes(15, 0)));
    EXPECT_FALSE(backup.configure(configurePayload(Backup, 1024, imageCrc, User, imageCrc ^ 1)));  // CRC copies differ
    EXPECT_FALSE(backup.configure(configurePayload(Backup, 0, imageCrc, User, imageCrc)));
    EXPECT_FALSE(backup.configure(configurePayload(0x1000, 1024, imageCrc, User, imageCrc)));     // bootloader area
    EXPECT_FALSE(backup.configure(configurePayload(Backup, 1024, imageCrc, 0x7FF00, imageCrc)));  // user area past the end
    EXPECT_FALSE(backup.plan().has_value());
}

TEST_F(KqsimBackup, FramesOutsideTheImageOrUnconfiguredAreRefused) {
    EXPECT_FALSE(frame(0, 64));  // nothing configured yet
    ASSERT_TRUE(configure());
    EXPECT_TRUE(frame(960, 64));
    EXPECT_FALSE(backup.writeFrame(join({bigEndian32(1000), Bytes(64, 0)})));  // reaches past 1024
    EXPECT_FALSE(backup.writeFrame({0, 0, 1}));                                 // no full offset
}

TEST_F(KqsimBackup, VerifyFailsOnAMissingFrameAndNothingIsInstalled) {
    ASSERT_TRUE(configure());
    ASSERT_TRUE(frame(0, 512));
    EXPECT_FALSE(backup.verify());
    const Bytes userBefore = area(User);
    EXPECT_FALSE(backup.installOnReset());
    EXPECT_EQ(area(User), userBefore);
}

TEST_F(KqsimBackup, AWriteAfterVerifyNeedsANewVerify) {
    ASSERT_TRUE(configure());
    ASSERT_TRUE(frame(0, 512));
    ASSERT_TRUE(frame(512, 512));
    ASSERT_TRUE(backup.verify());
    ASSERT_TRUE(frame(0, 64));  // same data again: the flash is unchanged, but the module cannot know
    EXPECT_FALSE(backup.isVerified());
}

// ---- replies built by the handler ---------------------------------------------------------

class KqsimHandler : public ::testing::Test {
protected:
    KqsimHandler() : module(ModuleMode::Boot), handler(module.model, faults, Own) {}
    Handling handle(const Bytes& frame, bool lineMatches = true) { return handler.handle(requestFrom(frame), lineMatches); }
    Module module;
    FaultPlan faults;
    RequestHandler handler;
};

TEST_F(KqsimHandler, RepliesEchoTheAddressOrNameTheModule) {
    Handling h = handle(flashFrame(CmdEraseSector, 0xFF1200));
    EXPECT_EQ(h.kind, ReplyKind::Ok);
    EXPECT_EQ(h.reply, flashFrame(0x9502, 0xFF1200));

    h = handle(flashFrame(CmdEraseSector, 0xFF0000));
    EXPECT_EQ(h.kind, ReplyKind::Error);
    EXPECT_EQ(h.reply, flashFrame(0xD502, 0xFF0000));

    // Asked through wildcards, the module answers with its own address.
    h = handle(moduleFrame(CmdRemoteVerify, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}));
    EXPECT_EQ(h.kind, ReplyKind::Error);  // nothing configured
    EXPECT_EQ(h.reply, moduleFrame(0xD603, Own));
}

TEST_F(KqsimHandler, UnansweredRequests) {
    Handling h = handle(flashFrame(CmdHandshake, 0), false);
    EXPECT_EQ(h.kind, ReplyKind::Garbled);
    EXPECT_TRUE(h.reply.empty());

    h = handle(moduleFrame(CmdRemoteVerify, {0x02, 0, 0, 0, 0, 0}));
    EXPECT_EQ(h.kind, ReplyKind::None);
    EXPECT_FALSE(h.addressed);

    h = handle(flashFrame(CmdJumpToProgram, 0));
    EXPECT_EQ(h.kind, ReplyKind::None);
    EXPECT_TRUE(h.reply.empty());
    h = handle(flashFrame(CmdHandshake, 0));  // the user program ignores the bootloader's handshake
    EXPECT_EQ(h.kind, ReplyKind::None);
    EXPECT_EQ(h.mode, ModuleMode::App);
}

}  // namespace
}  // namespace kq::sim
