// A port asked for by a stable name keeps that name in its slot, so that it
// is opened through the link, wherever the link leads after a replug.
#include <gtest/gtest.h>

#include "link/serial_port.h"
#include "support/fake_serial_backend.h"

namespace kq {
namespace {

TEST(StablePortNames, ASlotTakesTheStableNameItIsAskedBy) {
    test::ScopedFakeSerial scoped;
    test::FakeSerialBackend& fake = scoped.fake;
    const std::string byPath = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0";
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0";
    fake.aliases[byPath] = "/dev/fake1";
    fake.aliases[byId] = "/dev/fake2";
    fake.stable["/dev/fake1"] = {byPath};
    fake.stable["/dev/fake2"] = {byId};
    fake.aliases["/tmp/my-link"] = "/dev/fake3";  // a link, but not a stable name
    fake.names[4] = "/srv/ports/COM4";            // pinned by a link of its own
    fake.aliases["/srv/ports/COM4"] = "/dev/pinned";
    fake.aliases["/dev/serial/by-id/pinned"] = "/dev/pinned";
    fake.stable["/dev/pinned"] = {"/dev/serial/by-id/pinned"};
    initPortNames();

    struct Row {
        std::string asked;
        int port;
        std::string slotName;  // the slot's device name afterwards
    };
    for (const Row& row : {Row{byPath, 1, byPath}, Row{byId, 2, byId}, Row{"/tmp/my-link", 3, "/dev/fake3"},
                           Row{"/dev/serial/by-id/pinned", 4, "/srv/ports/COM4"}, Row{"/dev/fake1", 1, byPath}}) {
        EXPECT_EQ(portForDevice(row.asked), row.port) << row.asked;
        EXPECT_EQ(portDeviceName(row.port), row.slotName) << row.asked;
    }
    fake.calls.clear();
    ASSERT_EQ(openPort(1, 7, 8, ParityNone, 0), PortOpenResult::Opened);
    ASSERT_FALSE(fake.calls.empty());
    EXPECT_EQ(fake.calls.front(), "open " + byPath);
    closePort(1);
}

}  // namespace
}  // namespace kq
