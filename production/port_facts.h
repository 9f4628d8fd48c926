// What a production line records of a port beyond its number: its stable
// names and its adapter, as one text for a person and as facts (named as the
// members of a JSON line), the same for the port listing and a run's record.
#pragma once

#include <optional>
#include <string>

#include "link/adapter_facts.h"
#include "link/stable_names.h"
#include "production/run_fields.h"

namespace kq::production {

// "USB 0403:6001 FTDI FT232R USB UART (ftdi_sio), serial A50285BI, latency
// timer 16 ms"; the parts the system does not tell are left out. "" for a
// device that is not a USB adapter.
std::string adapterText(const AdapterFacts& facts);

// by_path, by_id and location_path (not known when the port has none).
Facts stableNameFacts(const StableNames& names);
// usb_vendor_id, usb_product_id, usb_serial_number, usb_manufacturer,
// usb_product, driver and latency_timer_ms (not known when the system does
// not tell them).
Facts adapterFactList(const AdapterFacts& facts);

// One port of the port listing: port, device, description, state and
// lock_owner, then its stable names and adapter.
struct ListedPortFacts {
    std::string port;         // "COM3"
    std::string device;
    std::string description;
    std::string state;        // "free", "busy", ...
    std::optional<long long> lockOwner;
    StableNames names;
    AdapterFacts adapter;
};
Facts listedPortFacts(const ListedPortFacts& port);

}  // namespace kq::production
