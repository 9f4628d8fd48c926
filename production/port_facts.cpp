#include "production/port_facts.h"

#include <array>

namespace kq::production {

namespace {

using K = FieldKind;

constexpr std::array<FieldSpec, 15> Fields = {{
    {"port", K::Text, ""},
    {"device", K::Text, ""},
    {"description", K::Text, ""},
    {"state", K::Text, ""},
    {"lock_owner", K::Integer, ""},
    {"by_path", K::Text, "by-path"},
    {"by_id", K::Text, "by-id"},
    {"location_path", K::Text, "location"},
    {"usb_vendor_id", K::Text, ""},
    {"usb_product_id", K::Text, ""},
    {"usb_serial_number", K::Text, ""},
    {"usb_manufacturer", K::Text, ""},
    {"usb_product", K::Text, ""},
    {"driver", K::Text, ""},
    {"latency_timer_ms", K::Integer, ""},
}};

std::optional<FieldData> unlessEmpty(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<FieldData>(text);
}

}  // namespace

std::span<const FieldSpec> portListingFields() { return Fields; }

Fact portListingFact(std::string_view name, std::optional<FieldData> data) {
    for (const FieldSpec& field : Fields) {
        if (field.name == name) return {&field, std::move(data)};
    }
    return {};  // not reached: every name used is in the list
}

std::string adapterText(const AdapterFacts& facts) {
    if (!facts.isUsb()) return "";
    std::string text = "USB " + facts.vendorId + ":" + facts.productId;
    if (!facts.manufacturer.empty()) text += " " + facts.manufacturer;
    if (!facts.product.empty()) text += " " + facts.product;
    if (!facts.driver.empty()) text += " (" + facts.driver + ")";
    if (!facts.serialNumber.empty()) text += ", serial " + facts.serialNumber;
    if (facts.latencyTimerMs) text += ", latency timer " + std::to_string(*facts.latencyTimerMs) + " ms";
    return text;
}

void addStableNames(Facts& facts, const StableNames& names) {
    facts.push_back(portListingFact("by_path", unlessEmpty(names.byPath)));
    facts.push_back(portListingFact("by_id", unlessEmpty(names.byId)));
    facts.push_back(portListingFact("location_path", unlessEmpty(names.locationPath)));
}

void addAdapterFacts(Facts& facts, const AdapterFacts& adapter) {
    facts.push_back(portListingFact("usb_vendor_id", unlessEmpty(adapter.vendorId)));
    facts.push_back(portListingFact("usb_product_id", unlessEmpty(adapter.productId)));
    facts.push_back(portListingFact("usb_serial_number", unlessEmpty(adapter.serialNumber)));
    facts.push_back(portListingFact("usb_manufacturer", unlessEmpty(adapter.manufacturer)));
    facts.push_back(portListingFact("usb_product", unlessEmpty(adapter.product)));
    facts.push_back(portListingFact("driver", unlessEmpty(adapter.driver)));
    facts.push_back(portListingFact("latency_timer_ms", adapter.latencyTimerMs
                                                            ? std::optional<FieldData>(
                                                                  static_cast<long long>(*adapter.latencyTimerMs))
                                                            : std::nullopt));
}

}  // namespace kq::production
