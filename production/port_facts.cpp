#include "production/port_facts.h"

#include <array>

namespace kq::production {

namespace {

constexpr std::array ListingFields{
    FieldSpec{"port", FieldKind::Text, ""},
    FieldSpec{"device", FieldKind::Text, ""},
    FieldSpec{"description", FieldKind::Text, ""},
    FieldSpec{"state", FieldKind::Text, ""},
    FieldSpec{"lock_owner", FieldKind::Integer, ""},
};
constexpr std::array StableNameFields{
    FieldSpec{"by_path", FieldKind::Text, "by-path"},
    FieldSpec{"by_id", FieldKind::Text, "by-id"},
    FieldSpec{"location_path", FieldKind::Text, "location"},
};
constexpr std::array AdapterFields{
    FieldSpec{"usb_vendor_id", FieldKind::Text, ""},
    FieldSpec{"usb_product_id", FieldKind::Text, ""},
    FieldSpec{"usb_serial_number", FieldKind::Text, ""},
    FieldSpec{"usb_manufacturer", FieldKind::Text, ""},
    FieldSpec{"usb_product", FieldKind::Text, ""},
    FieldSpec{"driver", FieldKind::Text, ""},
    FieldSpec{"latency_timer_ms", FieldKind::Integer, ""},
};

// A text fact, not known when empty.
Fact textFact(const FieldSpec& spec, const std::string& text) {
    return text.empty() ? Fact{&spec, std::nullopt} : Fact{&spec, FieldData(text)};
}

Fact numberFact(const FieldSpec& spec, std::optional<long long> number) {
    return number ? Fact{&spec, FieldData(*number)} : Fact{&spec, std::nullopt};
}

void append(Facts& to, const Facts& from) { to.insert(to.end(), from.begin(), from.end()); }

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

Facts stableNameFacts(const StableNames& names) {
    return {textFact(StableNameFields[0], names.byPath), textFact(StableNameFields[1], names.byId),
            textFact(StableNameFields[2], names.locationPath)};
}

Facts adapterFactList(const AdapterFacts& facts) {
    std::optional<long long> latency;
    if (facts.latencyTimerMs) latency = *facts.latencyTimerMs;
    return {textFact(AdapterFields[0], facts.vendorId),     textFact(AdapterFields[1], facts.productId),
            textFact(AdapterFields[2], facts.serialNumber), textFact(AdapterFields[3], facts.manufacturer),
            textFact(AdapterFields[4], facts.product),      textFact(AdapterFields[5], facts.driver),
            numberFact(AdapterFields[6], latency)};
}

Facts listedPortFacts(const ListedPortFacts& port) {
    Facts facts{Fact{&ListingFields[0], FieldData(port.port)}, Fact{&ListingFields[1], FieldData(port.device)},
                Fact{&ListingFields[2], FieldData(port.description)}, Fact{&ListingFields[3], FieldData(port.state)},
                numberFact(ListingFields[4], port.lockOwner)};
    append(facts, stableNameFacts(port.names));
    append(facts, adapterFactList(port.adapter));
    return facts;
}

}  // namespace kq::production
