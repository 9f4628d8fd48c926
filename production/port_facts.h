// What a production line records of a port beyond its number: its stable
// names and its adapter, as one text for a person and as facts (rendered as
// JSON members), the same for the port listing and a run's record.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "link/adapter_facts.h"
#include "link/stable_names.h"
#include "production/run_fields.h"

namespace kq::production {

// "USB 0403:6001 FTDI FT232R USB UART (ftdi_sio), serial A50285BI, latency
// timer 16 ms"; the parts the system does not tell are left out. "" for a
// device that is not a USB adapter.
std::string adapterText(const AdapterFacts& facts);

// The facts of a listed port, named once: port, device, description, state,
// lock_owner, then those of the two functions below.
std::span<const FieldSpec> portListingFields();
// The fact of that name with a value, or not known (null) without one.
Fact portListingFact(std::string_view name, std::optional<FieldData> data);

// Adds by_path, by_id and location_path (not known when the port has none).
void addStableNames(Facts& facts, const StableNames& names);
// Adds usb_vendor_id, usb_product_id, usb_serial_number, usb_manufacturer,
// usb_product, driver (not known when not told) and latency_timer_ms (not
// known when the system does not tell it).
void addAdapterFacts(Facts& facts, const AdapterFacts& adapter);

}  // namespace kq::production
