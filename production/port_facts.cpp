#include "production/port_facts.h"

#include <array>

namespace kq::production {

namespace {

constexpr std::array ListingFields{
    FieldDefinition{"port", FieldKind::Text, ""},
    FieldDefinition{"device", FieldKind::Text, ""},
    FieldDefinition{"description", FieldKind::Text, ""},
    FieldDefinition{"state", FieldKind::Text, ""},
    FieldDefinition{"lock_owner", FieldKind::Integer, ""},
};
constexpr std::array StableNameFields{
    FieldDefinition{"by_path", FieldKind::Text, "by-path"},
    FieldDefinition{"by_id", FieldKind::Text, "by-id"},
    FieldDefinition{"location_path", FieldKind::Text, "location"},
};
constexpr std::array AdapterFields{
    FieldDefinition{"usb_vendor_id", FieldKind::Text, ""},
    FieldDefinition{"usb_product_id", FieldKind::Text, ""},
    FieldDefinition{"usb_serial_number", FieldKind::Text, ""},
    FieldDefinition{"usb_manufacturer", FieldKind::Text, ""},
    FieldDefinition{"usb_product", FieldKind::Text, ""},
    FieldDefinition{"driver", FieldKind::Text, ""},
    FieldDefinition{"latency_timer_ms", FieldKind::Integer, ""},
};

// A text fact, not known when empty.
Fact textFact(const FieldDefinition& definition, const std::string& text) {
    return text.empty() ? Fact{&definition, std::nullopt} : Fact{&definition, FieldData(text)};
}

Fact numberFact(const FieldDefinition& definition, std::optional<long long> number) {
    return number ? Fact{&definition, FieldData(*number)} : Fact{&definition, std::nullopt};
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
