// A port's stable names and adapter as a person reads them and as the JSON
// members of a listing or a record carry them.
#include <gtest/gtest.h>

#include "production/port_facts.h"
#include "production/record_rendering.h"

namespace kq::production {
namespace {

TEST(PortFacts, AdapterTextAndJsonMembers) {
    AdapterFacts ftdi;
    ftdi.vendorId = "0403";
    ftdi.productId = "6001";
    ftdi.serialNumber = "A50285BI";
    ftdi.manufacturer = "FTDI";
    ftdi.product = "FT232R USB UART";
    ftdi.driver = "ftdi_sio";
    ftdi.latencyTimerMs = 16;
    AdapterFacts ch340;
    ch340.vendorId = "1a86";
    ch340.productId = "7523";
    ch340.driver = "ch341";
    AdapterFacts builtIn;  // a port on the board: a driver, no USB device
    builtIn.driver = "serial8250";

    struct Row {
        const char* name;
        AdapterFacts facts;
        const char* text;
        const char* json;
    };
    for (const Row& row : {
             Row{"ftdi", ftdi, "USB 0403:6001 FTDI FT232R USB UART (ftdi_sio), serial A50285BI, latency timer 16 ms",
                 R"({"usb_vendor_id":"0403","usb_product_id":"6001","usb_serial_number":"A50285BI",)"
                 R"("usb_manufacturer":"FTDI","usb_product":"FT232R USB UART","driver":"ftdi_sio",)"
                 R"("latency_timer_ms":16})"},
             Row{"ch340", ch340, "USB 1a86:7523 (ch341)",
                 R"({"usb_vendor_id":"1a86","usb_product_id":"7523","usb_serial_number":null,)"
                 R"("usb_manufacturer":null,"usb_product":null,"driver":"ch341","latency_timer_ms":null})"},
             Row{"built in", builtIn, "",
                 R"({"usb_vendor_id":null,"usb_product_id":null,"usb_serial_number":null,)"
                 R"("usb_manufacturer":null,"usb_product":null,"driver":"serial8250","latency_timer_ms":null})"},
         }) {
        EXPECT_EQ(adapterText(row.facts), row.text) << row.name;
        EXPECT_EQ(factsJson(adapterFactList(row.facts)), row.json) << row.name;
    }

    StableNames names;
    names.byPath = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0";
    EXPECT_EQ(factsJson(stableNameFacts(names)),
              R"({"by_path":"/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0","by_id":null,)"
              R"("location_path":null})");
}

}  // namespace
}  // namespace kq::production
