// The stable names of a device: the links in a folder that resolve to it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "link/device_links_posix.h"
#include "unit/merge_test_files.h"

namespace kq {
namespace {

TEST(DeviceLinks, EveryLinkThatResolvesToTheDeviceInNameOrder) {
    const testing::TempFolder root;
    const std::string device = root.file("ttyUSB0");
    std::ofstream(device) << "";
    std::ofstream(root.file("ttyUSB1")) << "";
    const std::string byId = root.file("by-id");
    const std::string byPath = root.file("by-path");
    ASSERT_EQ(::mkdir(byId.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(byPath.c_str(), 0755), 0);
    ASSERT_EQ(::symlink("../ttyUSB0", (byId + "/usb-FTDI_B-if00-port0").c_str()), 0);
    ASSERT_EQ(::symlink("../ttyUSB0", (byId + "/usb-FTDI_A-if00-port0").c_str()), 0);
    ASSERT_EQ(::symlink("../ttyUSB1", (byId + "/usb-CH340-if00-port0").c_str()), 0);
    ASSERT_EQ(::symlink("../ttyUSB0", (byPath + "/pci-0000:00:14.0-usb-0:2:1.0-port0").c_str()), 0);
    ASSERT_EQ(::symlink("../nothing", (byPath + "/dangling").c_str()), 0);

    char* real = ::realpath(device.c_str(), nullptr);
    const std::string canonical(real);
    std::free(real);
    EXPECT_EQ(linksToDevice(canonical, {byId, byPath, root.file("missing")}),
              (std::vector<std::string>{byId + "/usb-FTDI_A-if00-port0", byId + "/usb-FTDI_B-if00-port0",
                                        byPath + "/pci-0000:00:14.0-usb-0:2:1.0-port0"}));
}

}  // namespace
}  // namespace kq
