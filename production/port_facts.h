// What a production line records of a port beyond its number: its stable
// names and its adapter, as one text for a person and as the members of a
// JSON line, the same for the port listing and a run's record.
#pragma once

#include <string>

#include "link/adapter_facts.h"
#include "link/stable_names.h"
#include "production/json.h"

namespace kq::production {

// "USB 0403:6001 FTDI FT232R USB UART (ftdi_sio), serial A50285BI, latency
// timer 16 ms"; the parts the system does not tell are left out. "" for a
// device that is not a USB adapter.
std::string adapterText(const AdapterFacts& facts);

// Adds by_path, by_id and location_path (null when the port has none).
void addStableNames(JsonObject& object, const StableNames& names);
// Adds usb_vendor_id, usb_product_id, usb_serial_number, usb_manufacturer,
// usb_product, driver (null when not known) and latency_timer_ms (null when
// the system does not tell it).
void addAdapterFacts(JsonObject& object, const AdapterFacts& facts);

}  // namespace kq::production
