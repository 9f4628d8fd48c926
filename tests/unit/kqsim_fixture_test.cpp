// kqsim playing a production fixture: a module that leaves after its upgrade
// and is replaced by a fresh one, a replugged adapter's link, an adapter's
// latency timer, and how the options ask for them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "kqsim_test_frames.h"
#include "link/bootloader_commands.h"
#include "link/module_address.h"
#include "merge_test_files.h"
#include "sim/module_identity.h"
#include "sim/port_link.h"
#include "sim/reply_sender.h"
#include "sim/request_handler.h"
#include "sim/sim_options.h"

namespace kq::sim {
namespace {

using test::Bytes;
using test::flashFrame;
using test::moduleFrame;
using test::requestFrom;

constexpr int AwayMs = 1500;
const ModuleAddress Wildcard = encodeModuleAddress("AAAAAAAAAAAA");

// ---- the next module's address ------------------------------------------------------------

TEST(KqsimNextModule, AddressCountsUpByOneInDecimal) {
    struct Row {
        const char* address;
        const char* next;
    };
    for (const Row row : {Row{"000000000001", "000000000002"}, Row{"000000000009", "000000000010"},
                          Row{"000000000099", "000000000100"}, Row{"123456789999", "123456790000"},
                          Row{"999999999999", "000000000000"}, Row{"0000000099AA", "0000000100AA"}}) {
        EXPECT_EQ(moduleAddressText(nextModuleAddress(encodeModuleAddress(row.address))), row.next) << row.address;
    }
}

// ---- replacement after the upgrade ---------------------------------------------------------

// The modules of a line with replacement on; the flash a fresh module brings
// holds one marked byte, and the handler keeps each leaving module's flash.
class KqsimReplacement : public ::testing::Test {
protected:
    void build(const std::vector<std::string>& addresses, ModuleMode mode = ModuleMode::Boot) {
        std::vector<BusModule> bus;
        for (const std::string& address : addresses) {
            flashes.push_back(std::make_unique<FlashModel>(flashGeometry(ChipFamily::Kq581x)));
            models.push_back(std::make_unique<BootloaderModel>(*flashes.back(), mode));
            bus.push_back({models.back().get(), encodeModuleAddress(address), addresses.size() > 1 ? address : ""});
        }
        handler = std::make_unique<RequestHandler>(std::move(bus), faults);
        startFlash.assign(0x1001, ErasedByte);
        startFlash[0x1000] = 0x5A;  // the first byte above the bootloader
        handler->replaceModules({AwayMs, startFlash, [this](const std::string& address, const std::vector<uint8_t>& f) {
                                     kept.push_back({address, f[0x1000]});
                                 }});
    }
    Handling at(double ms, const Bytes& frame) { return handler->handle(requestFrom(frame), true, ms); }

    std::vector<std::unique_ptr<FlashModel>> flashes;
    std::vector<std::unique_ptr<BootloaderModel>> models;
    FaultPlan faults;
    std::unique_ptr<RequestHandler> handler;
    std::vector<uint8_t> startFlash;
    std::vector<std::pair<std::string, uint8_t>> kept;  // address, marked byte
};

// A local upgrade ends with a jump: the module goes silent, and after the
// time away a fresh one answers handshakes, its flash as at the start and
// its address one higher.
TEST_F(KqsimReplacement, TheJumpedModuleLeavesAndAFreshOneArrives) {
    build({"000000000001"});
    EXPECT_EQ(at(0, flashFrame(CmdWriteSector, 0xFF1000, Bytes(512, 0x00))).kind, ReplyKind::Ok);
    const Handling jump = at(100, flashFrame(CmdJumpToProgram, 0xFF1000));
    EXPECT_EQ(jump.left, "000000000001");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].second, 0x00) << "the flash it left with, as written";
    EXPECT_EQ(handler->nextArrivalMs(), 100.0 + AwayMs);

    for (const Bytes& frame : {flashFrame(CmdHandshake, 0), moduleFrame(CmdRemoteVerify, Wildcard),
                               moduleFrame(CmdRemoteVerify, encodeModuleAddress("000000000002"))}) {
        const Handling away = at(100 + AwayMs - 1, frame);
        EXPECT_EQ(away.kind, ReplyKind::Absent);
        EXPECT_TRUE(away.reply.empty());
    }
    EXPECT_EQ(handler->arriveDue(100 + AwayMs), (std::vector<std::string>{"000000000002"}));
    EXPECT_FALSE(handler->nextArrivalMs().has_value());
    EXPECT_EQ(at(100 + AwayMs, flashFrame(CmdHandshake, 0)).kind, ReplyKind::Ok) << "in its bootloader";
    EXPECT_EQ(flashes[0]->bytes()[0x1000], 0x5A);
    EXPECT_EQ(flashes[0]->bytes()[0x1200], ErasedByte);
    // Nothing configured: refused, from the new address.
    EXPECT_EQ(at(100 + AwayMs, moduleFrame(CmdRemoteVerify, Wildcard)).reply,
              moduleFrame(0xD603, encodeModuleAddress("000000000002")));
    EXPECT_EQ(at(100 + AwayMs, moduleFrame(CmdRemoteVerify, encodeModuleAddress("000000000001"))).kind,
              ReplyKind::None);
}

// The remote paths end with a reset: the plain reset of the remote path
// without backup leads into the bootloader and ends nothing; the remote
// reset of the path with backup ends the upgrade; a refused jump is not
// carried out and so ends nothing either.
TEST_F(KqsimReplacement, OnlyACarriedOutJumpOrRemoteResetEndsTheUpgrade) {
    struct Row {
        const char* name;
        Bytes frame;
        bool leaves;
    };
    const ModuleAddress own = encodeModuleAddress("000000000001");
    for (const Row& row : {Row{"reset", flashFrame(CmdResetModule, 0), false},
                           Row{"upgrade-flag", flashFrame(CmdWriteUpgradeFlag, 0), false},
                           Row{"remote-reset", moduleFrame(CmdRemoteReset, own), true},
                           Row{"jump", flashFrame(CmdJumpToProgram, 0xFF1000), true}}) {
        flashes.clear();
        models.clear();
        build({"000000000001"});
        EXPECT_EQ(at(0, row.frame).left.empty(), !row.leaves) << row.name;
        EXPECT_EQ(handler->nextArrivalMs().has_value(), row.leaves) << row.name;
    }
    flashes.clear();
    models.clear();
    faults = FaultPlan();  // its counts start again
    build({"000000000001"});
    faults.refuse(CmdJumpToProgram, 1);
    EXPECT_TRUE(at(0, flashFrame(CmdJumpToProgram, 0xFF1000)).left.empty());
}

// On a bus each module is replaced on its own; the others answer meanwhile,
// and a successor's address steps past those the others have.
TEST_F(KqsimReplacement, OnABusEachModuleIsReplacedAlone) {
    build({"000000000001", "000000000002", "000000000003"}, ModuleMode::App);
    const ModuleAddress second = encodeModuleAddress("000000000002");
    EXPECT_EQ(at(0, moduleFrame(CmdRemoteReset, second)).left, "000000000002");
    EXPECT_EQ(at(10, moduleFrame(CmdRemoteVerify, second)).kind, ReplyKind::Absent);
    EXPECT_EQ(at(10, moduleFrame(CmdRemoteVerify, second)).busModule, "000000000002");
    EXPECT_EQ(at(10, moduleFrame(CmdRemoteVerify, encodeModuleAddress("000000000003"))).kind, ReplyKind::Error);
    EXPECT_EQ(at(10, moduleFrame(CmdRemoteVerify, Wildcard)).busModule, "000000000001");

    EXPECT_EQ(handler->arriveDue(AwayMs), (std::vector<std::string>{"000000000004"}));
    EXPECT_EQ(models[1]->mode(), ModuleMode::Boot) << "a fresh module arrives in its bootloader";
    EXPECT_EQ(models[0]->mode(), ModuleMode::App);
    const Handling fresh = at(AwayMs, moduleFrame(CmdRemoteVerify, encodeModuleAddress("000000000004")));
    EXPECT_EQ(fresh.busModule, "000000000004");
    EXPECT_EQ(fresh.reply, moduleFrame(0xD603, encodeModuleAddress("000000000004")));
    EXPECT_EQ(handler->modules()[1].name, "000000000004") << "the name its dump is written under";
}

// ---- the adapter's latency timer and the reply's writes -----------------------------------

TEST(KqsimReplySchedule, WritesOfAReply) {
    constexpr int64_t Ms = 1'000'000;
    const LinePacer unpaced(PaceMode::None, 115200, 10);
    const LinePacer paced(PaceMode::Reply, 115200, 10);  // 86.8 us per byte
    const int64_t byteNs = paced.wireNs(1);
    struct Row {
        const char* name;
        size_t bytes;
        const LinePacer& pacer;
        ReplyShaping shaping;
        std::vector<TimedWrite> writes;
    };
    const std::vector<Row> rows = {
        {"at once", 15, unpaced, {}, {{0, 0, 15}}},
        {"paced", 15, paced, {}, {{paced.wireNs(15), 0, 15}}},
        {"split", 15, unpaced, {0, 3, 0}, {{0, 0, 5}, {3 * Ms, 5, 5}, {6 * Ms, 10, 5}}},
        // A short reply waits for the timer, counted from its first byte's arrival.
        {"adapter, short reply", 15, unpaced, {0, 1, 16}, {{16 * Ms, 0, 15}}},
        {"adapter, short paced reply", 15, paced, {0, 1, 16}, {{byteNs + 16 * Ms, 0, 15}}},
        // A full packet goes as soon as it has gathered; the rest waits for the timer.
        {"adapter, long reply", 130, unpaced, {0, 1, 1}, {{0, 0, 62}, {0, 62, 62}, {1 * Ms, 124, 6}}},
        {"adapter, long paced reply",
         130,
         paced,
         {0, 1, 16},
         {{paced.wireNs(62), 0, 62}, {paced.wireNs(124), 62, 62}, {paced.wireNs(125) + 16 * Ms, 124, 6}}},
        // The timer runs out before the reply has all come: what came goes first.
        {"adapter, slow pieces", 15, unpaced, {0, 3, 2}, {{2 * Ms, 0, 5}, {5 * Ms, 5, 5}, {8 * Ms, 10, 5}}},
        {"adapter, quick pieces", 15, unpaced, {0, 3, 16}, {{16 * Ms, 0, 15}}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(replySchedule(row.bytes, row.pacer, row.shaping), row.writes) << row.name;
    }
}

// ---- the link of a replugged adapter -------------------------------------------------------

// The module comes back under the name it had, not under the first free one,
// and never takes a name that another module took meanwhile.
TEST(KqsimPortLink, ARestoredLinkKeepsItsName) {
    const testing::TempFolder folder;
    std::ofstream(folder.file("first")) << "";
    std::ofstream(folder.file("second")) << "";
    std::ofstream(folder.file("again")) << "";
    PortLink other;
    PortLink ours;
    std::string name, error;
    ASSERT_TRUE(other.createNumbered(folder.path(), folder.file("first"), name, error)) << error;
    ASSERT_TRUE(ours.createNumbered(folder.path(), folder.file("second"), name, error)) << error;
    EXPECT_EQ(ours.shownName(), "COM2");
    ours.remove();
    other.remove();  // COM1 is free now, yet the module was COM2
    ASSERT_TRUE(ours.restore(folder.file("again"), error)) << error;
    EXPECT_EQ(ours.path(), folder.file("COM2"));
    char target[256] = {};
    ASSERT_GT(::readlink(folder.file("COM2").c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), folder.file("again"));

    ours.remove();
    PortLink taker;
    ASSERT_TRUE(taker.createAt(folder.file("COM2"), folder.file("first"), error)) << error;
    EXPECT_FALSE(ours.restore(folder.file("again"), error));
    EXPECT_NE(error.find("COM2"), std::string::npos) << error;
}

// ---- how the fixture is asked for ------------------------------------------------------------

TEST(KqsimFixtureOptions, ReplacementUnplugsAndLatency) {
    SimOptions options;
    std::string error;
    ASSERT_EQ(parseSimOptions({"--replace-after", "1500", "--unplug-after", "40:2000", "--unplug-after=5:0",
                               "--adapter-latency", "16", "--bus", "000000000001,000000000002"},
                              options, error),
              ParseStatus::Run)
        << error;
    EXPECT_EQ(options.replaceAfterMs, 1500);
    EXPECT_EQ(options.unplugs, (std::vector<Unplug>{{5, 0}, {40, 2000}})) << "in the order they come";
    EXPECT_EQ(options.shaping.adapterLatencyMs, 16);

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--replace-after", "600001"},
             {"--replace-after", "-1"},
             {"--unplug-after", "40"},
             {"--unplug-after", "40:"},
             {"--unplug-after", "x:100"},
             {"--adapter-latency", "0"},
             {"--adapter-latency", "256"},
             {"--unplug-after", "4:100", "--hangup-after", "9"},
             {"--replace-after", "100", "--stay-in-boot"}}) {
        SimOptions refused;
        EXPECT_EQ(parseSimOptions(args, refused, error), ParseStatus::Error) << args[0] << " " << args[1];
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace kq::sim
