// The adapter behind a terminal from a sysfs tree, and the stable names of
// serial devices from a /dev/serial tree: trees of the test's own, laid out
// as the kernel and udev lay them out.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/adapter_facts_posix.h"
#include "link/serial_port.h"
#include "link/stable_names_posix.h"
#include "merge_test_files.h"

namespace kq {
namespace {

namespace fs = std::filesystem;

void write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
}

void link(const std::string& target, const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
}

// ---- adapter facts from sysfs ----------------------------------------------------------------

// One USB device with a serial port in the fake tree: the device's id files,
// the port's folder with its driver link, and the links into it.
struct FakeAdapter {
    std::string tty;
    std::string usbDevice;  // folder under devices/ ("pci0000:00/0000:00:14.0/usb1/1-2")
    std::vector<std::pair<std::string, std::string>> ids;  // file, text
    bool usbSerial;         // a usb-serial port below the interface (else the interface is the port: cdc_acm)
    std::string driver;
    std::string latency;    // "" when the driver has no timer
};

void addAdapter(const std::string& root, const FakeAdapter& a) {
    const std::string device = root + "devices/" + a.usbDevice;
    for (const auto& [file, text] : a.ids) write(device + "/" + file, text + "\n");
    const std::string interface = device + "/" + a.usbDevice.substr(a.usbDevice.rfind('/') + 1) + ":1.0";
    const std::string port = a.usbSerial ? interface + "/" + a.tty : interface;
    write(port + "/uevent", "");
    const std::string bus = a.usbSerial ? "usb-serial" : "usb";
    fs::create_directories(root + "bus/" + bus + "/drivers/" + a.driver);
    link(root + "bus/" + bus + "/drivers/" + a.driver, port + "/driver");
    link(port, root + "class/tty/" + a.tty + "/device");
    if (a.usbSerial) link(port, root + "bus/usb-serial/devices/" + a.tty);
    if (!a.latency.empty()) write(port + "/latency_timer", a.latency + "\n");
}

TEST(AdapterFacts, FromAFakeSysfsTree) {
    const testing::TempFolder folder;
    const std::string root = folder.file("sys/");
    addAdapter(root, {"ttyUSB0", "pci0000:00/0000:00:14.0/usb1/1-2",
                      {{"idVendor", "0403"}, {"idProduct", "6001"}, {"serial", "A1B2C3"}, {"manufacturer", "FTDI"},
                       {"product", "FT232R USB UART"}},
                      true, "ftdi_sio", "16"});
    addAdapter(root, {"ttyUSB1", "pci0000:00/0000:00:14.0/usb1/1-3",
                      {{"idVendor", "1a86"}, {"idProduct", "7523"}, {"product", "USB Serial"}}, true, "ch341", ""});
    addAdapter(root, {"ttyUSB2", "pci0000:00/0000:00:14.0/usb1/1-4",
                      {{"idVendor", "0403"}, {"idProduct", "6015"}, {"serial", "DN0ABC"}}, true, "ftdi_sio", "1"});
    addAdapter(root, {"ttyACM0", "pci0000:00/0000:00:14.0/usb1/1-5",
                      {{"idVendor", "04D8"}, {"idProduct", "000A"}, {"serial", "7543"}}, false, "cdc_acm", ""});
    // A built-in port: a driver, no USB device above it.
    write(root + "devices/platform/serial8250/tty/ttyS0/uevent", "");
    fs::create_directories(root + "bus/platform/drivers/serial8250");
    link(root + "bus/platform/drivers/serial8250", root + "devices/platform/serial8250/driver");
    link(root + "devices/platform/serial8250", root + "class/tty/ttyS0/device");
    // A terminal whose device lies outside the tree is not followed there.
    write(folder.file("elsewhere/idVendor"), "0403\n");
    write(folder.file("elsewhere/idProduct"), "6001\n");
    write(folder.file("elsewhere/port/uevent"), "");
    link(folder.file("elsewhere/port"), root + "class/tty/ttyUSB7/device");

    struct Row {
        const char* tty;
        const char* vendor;
        const char* product;
        const char* serial;
        const char* driver;
        std::optional<int> latency;
    };
    for (const Row& row : {Row{"ttyUSB0", "0403", "6001", "A1B2C3", "ftdi_sio", 16},
                           Row{"ttyUSB1", "1a86", "7523", "", "ch341", std::nullopt},
                           Row{"ttyUSB2", "0403", "6015", "DN0ABC", "ftdi_sio", 1},
                           Row{"ttyACM0", "04d8", "000a", "7543", "cdc_acm", std::nullopt},
                           Row{"ttyS0", "", "", "", "serial8250", std::nullopt},
                           Row{"ttyUSB9", "", "", "", "", std::nullopt},
                           Row{"ttyUSB7", "", "", "", "", std::nullopt},
                           Row{"..", "", "", "", "", std::nullopt}}) {
        const AdapterFacts facts = adapterFactsFromSysfs(row.tty, root);
        EXPECT_EQ(facts.vendorId, row.vendor) << row.tty;
        EXPECT_EQ(facts.productId, row.product) << row.tty;
        EXPECT_EQ(facts.serialNumber, row.serial) << row.tty;
        EXPECT_EQ(facts.driver, row.driver) << row.tty;
        EXPECT_EQ(facts.latencyTimerMs, row.latency) << row.tty;
        EXPECT_EQ(facts.isUsb(), row.vendor[0] != '\0') << row.tty;
    }
    const AdapterFacts ftdi = adapterFactsFromSysfs("ttyUSB0", root);
    EXPECT_EQ(ftdi.manufacturer, "FTDI");
    EXPECT_EQ(ftdi.product, "FT232R USB UART");
}

TEST(AdapterFacts, ATimerAboveTwoMillisecondsIsWarnedAboutWithTheUdevRule) {
    AdapterFacts facts;
    facts.driver = "ftdi_sio";
    EXPECT_EQ(latencyWarning("COM3 (/dev/ttyUSB0)", facts), "") << "unknown";
    facts.latencyTimerMs = 2;
    EXPECT_EQ(latencyWarning("COM3 (/dev/ttyUSB0)", facts), "");
    facts.latencyTimerMs = 16;
    const std::string warning = latencyWarning("COM3 (/dev/ttyUSB0)", facts);
    EXPECT_TRUE(warning.starts_with("COM3 (/dev/ttyUSB0): the adapter's latency timer is 16 ms")) << warning;
    EXPECT_NE(warning.find("ACTION==\"add\", SUBSYSTEM==\"usb-serial\", DRIVER==\"ftdi_sio\", "
                           "ATTR{latency_timer}=\"1\""),
              std::string::npos)
        << warning;
}

// ---- stable names from /dev/serial -----------------------------------------------------------

TEST(StableNames, FromAFakeDevSerialTree) {
    const testing::TempFolder dev;
    const std::string root = dev.path() + "serial";
    for (const char* device : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0"}) write(dev.file(device), "");
    // udev names the socket twice on newer systems (usb- and usbv2-); the first in name order is kept.
    link("../../ttyUSB0", root + "/by-path/pci-0000:00:14.0-usbv2-0:2:1.0-port0");
    link("../../ttyUSB0", root + "/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
    link("../../ttyUSB0", root + "/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
    link("../../ttyUSB1", root + "/by-path/pci-0000:00:14.0-usb-0:3:1.0-port0");  // CH340: no serial, no by-id
    link("../../ttyACM0", root + "/by-id/usb-Arduino_Uno_7543-if00");
    link("../../gone", root + "/by-path/pci-0000:00:14.0-usb-0:4:1.0-port0");

    const auto real = [](const std::string& path) { return fs::canonical(path).string(); };
    struct Row {
        std::string device;
        std::string byPath;
        std::string byId;
    };
    const std::vector<Row> rows = {
        {real(dev.file("ttyACM0")), "", root + "/by-id/usb-Arduino_Uno_7543-if00"},
        {real(dev.file("ttyUSB0")), root + "/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0",
         root + "/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"},
        {real(dev.file("ttyUSB1")), root + "/by-path/pci-0000:00:14.0-usb-0:3:1.0-port0", ""},
    };
    const std::vector<SerialDeviceNames> all = serialDevicesWithStableNames(root);
    ASSERT_EQ(all.size(), rows.size());
    for (size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(all[k].device, rows[k].device);
        EXPECT_EQ(all[k].names.byPath, rows[k].byPath) << rows[k].device;
        EXPECT_EQ(all[k].names.byId, rows[k].byId) << rows[k].device;
        const StableNames one = stableNamesIn(rows[k].device, root);
        EXPECT_EQ(one.preferred(), rows[k].byPath.empty() ? rows[k].byId : rows[k].byPath) << rows[k].device;
    }
    EXPECT_TRUE(stableNamesIn(real(dev.file("ttyS0")), root).empty());
    EXPECT_TRUE(serialDevicesWithStableNames(dev.file("missing")).empty());
}

// Opened by a link, the port reaches whatever the link leads to at the time
// of the open: after a replug, the new device behind the same name.
TEST(StableNames, APortOpenedByItsLinkFindsTheReplacedDevice) {
    const testing::TempFolder folder;
    const std::string name = folder.file("by-path-port0");
    int masters[2] = {-1, -1};
    for (int& master : masters) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(::grantpt(master), 0);
        ASSERT_EQ(::unlockpt(master), 0);
    }
    link(::ptsname(masters[0]), name);
    const int port = portForDevice(name);
    ASSERT_NE(port, 0);
    EXPECT_EQ(portDeviceName(port), name);
    const uint8_t byte = 0x68;
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(openPort(port, 7, 8, ParityNone, 0), PortOpenResult::Opened) << k;
        int sent = 0;
        EXPECT_EQ(sendBlock(port, &byte, 1, sent), BlockSendResult::Sent);
        pollfd watch{masters[k], POLLIN, 0};
        EXPECT_EQ(::poll(&watch, 1, 1000), 1) << "the byte reached terminal " << k;
        closePort(port);
        // The adapter is replugged: the same name now leads to another terminal.
        ::unlink(name.c_str());
        if (k == 0) link(::ptsname(masters[1]), name);
    }
    for (const int master : masters) ::close(master);
}

}  // namespace
}  // namespace kq
