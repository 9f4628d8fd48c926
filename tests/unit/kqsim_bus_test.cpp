// Several simulated modules on one line: who takes which request, whose
// flash changes, and how the options name them and their dumps.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/bootloader_commands.h"
#include "link/module_address.h"
#include "sim/request_handler.h"
#include "sim/sim_options.h"
#include "unit/kqsim_test_frames.h"

namespace kq::sim {
namespace {

using test::Bytes;
using test::flashFrame;
using test::moduleFrame;
using test::requestFrom;

const std::vector<std::string> Addresses = {"000000000001", "000000000002", "000000000003"};

class KqsimBus : public ::testing::Test {
protected:
    KqsimBus() {
        std::vector<BusModule> bus;
        for (const std::string& address : Addresses) {
            flashes.push_back(std::make_unique<FlashModel>(flashGeometry(ChipFamily::Kq581x)));
            models.push_back(std::make_unique<BootloaderModel>(*flashes.back(), ModuleMode::Boot));
            bus.push_back({models.back().get(), encodeModuleAddress(address), address});
        }
        handler = std::make_unique<RequestHandler>(std::move(bus), faults);
    }
    Handling handle(const Bytes& frame) { return handler->handle(requestFrom(frame), true); }
    uint8_t byteAt(size_t module, uint32_t address) const {
        return flashes[module]->bytes()[address - flashes[module]->geometry().base];
    }

    std::vector<std::unique_ptr<FlashModel>> flashes;
    std::vector<std::unique_ptr<BootloaderModel>> models;
    FaultPlan faults;
    std::unique_ptr<RequestHandler> handler;
};

TEST_F(KqsimBus, OnlyTheNamedModuleAnswersAndAWildcardReachesTheFirst) {
    struct Row {
        const char* address;
        const char* taker;  // "" for none
    };
    for (const Row row : {Row{"000000000002", "000000000002"}, Row{"000000000003", "000000000003"},
                          Row{"AAAAAAAAAAAA", "000000000001"}, Row{"AAAAAAAAAA03", "000000000003"},
                          Row{"000000000004", ""}}) {
        const Handling h = handle(moduleFrame(CmdRemoteVerify, encodeModuleAddress(row.address)));
        EXPECT_EQ(h.busModule, row.taker) << row.address;
        EXPECT_EQ(h.addressed, row.taker[0] != '\0') << row.address;
        if (row.taker[0] == '\0') {
            EXPECT_TRUE(h.reply.empty()) << row.address;
        } else {
            // Nothing configured: refused, from the module's own address.
            EXPECT_EQ(h.reply, moduleFrame(0xD603, encodeModuleAddress(row.taker))) << row.address;
        }
    }
}

// The flash-address layout names no module: the first one takes it, alone.
TEST_F(KqsimBus, EachModuleKeepsItsOwnFlash) {
    const Handling h = handle(flashFrame(CmdWriteSector, 0xFF1000, Bytes(512, 0x00)));
    EXPECT_EQ(h.kind, ReplyKind::Ok);
    EXPECT_EQ(h.busModule, "000000000001");
    EXPECT_EQ(byteAt(0, 0xFF1000), 0x00);
    EXPECT_EQ(byteAt(1, 0xFF1000), 0xFF);
    EXPECT_EQ(byteAt(2, 0xFF1000), 0xFF);
}

TEST(KqsimBusOptions, TheBusAndItsDumps) {
    SimOptions options;
    std::string error;
    ASSERT_EQ(parseSimOptions({"--bus", "000000000001,000000000002"}, options, error), ParseStatus::Run) << error;
    EXPECT_EQ(options.busAddresses, (std::vector<std::string>{"000000000001", "000000000002"}));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--bus", "000000000001,1"}, {"--bus", "000000000001,000000000001"},
          {"--bus", "000000000001,"}, {"--bus", "000000000001", "--address", "000000000002"}}) {
        SimOptions refused;
        EXPECT_EQ(parseSimOptions(args, refused, error), ParseStatus::Error) << args[1];
    }
    EXPECT_EQ(moduleDumpPath("out/flash.bin", "000000000002"), "out/flash-000000000002.bin");
    EXPECT_EQ(moduleDumpPath("out.d/flash", "000000000002"), "out.d/flash-000000000002");
    EXPECT_EQ(moduleDumpPath("/tmp/.flash", "000000000002"), "/tmp/.flash-000000000002");
}

}  // namespace
}  // namespace kq::sim
