#include "production/port_facts.h"

#include <optional>

namespace kq::production {

namespace {

std::optional<std::string> unlessEmpty(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

}  // namespace

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

void addStableNames(JsonObject& object, const StableNames& names) {
    object.add("by_path", unlessEmpty(names.byPath));
    object.add("by_id", unlessEmpty(names.byId));
    object.add("location_path", unlessEmpty(names.locationPath));
}

void addAdapterFacts(JsonObject& object, const AdapterFacts& facts) {
    object.add("usb_vendor_id", unlessEmpty(facts.vendorId));
    object.add("usb_product_id", unlessEmpty(facts.productId));
    object.add("usb_serial_number", unlessEmpty(facts.serialNumber));
    object.add("usb_manufacturer", unlessEmpty(facts.manufacturer));
    object.add("usb_product", unlessEmpty(facts.product));
    object.add("driver", unlessEmpty(facts.driver));
    object.add("latency_timer_ms",
               facts.latencyTimerMs ? std::optional<int64_t>(*facts.latencyTimerMs) : std::optional<int64_t>());
}

}  // namespace kq::production
