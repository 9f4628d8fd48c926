#include "production/record_rendering.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <variant>

namespace kq::production {

namespace {

constexpr int KeyWidth = 16;  // characters before a value
constexpr std::string_view NoValue = "-";
constexpr std::array<std::string_view, 5> EndingFacts = {"result", "exit_status", "step", "duration_s", "hint"};

struct Unit {
    std::string_view name;
    std::string_view unit;
};
// What the lines put after a number.
constexpr std::array<Unit, 4> Units = {{
    {"hex_size", "bytes"}, {"image_length", "bytes"}, {"area_kib", "KiB"}, {"duration_s", "s"}}};

bool isEnding(const FieldDefinition& field) {
    return std::find(EndingFacts.begin(), EndingFacts.end(), field.name) != EndingFacts.end();
}

const std::string* textOf(const Facts& facts, std::string_view name) {
    for (const Fact& fact : facts) {
        if (fact.definition->name == name && fact.data) return std::get_if<std::string>(&*fact.data);
    }
    return nullptr;
}

std::string withUnit(std::string text, std::string_view name) {
    for (const Unit& unit : Units) {
        if (unit.name == name) return text + " " + std::string(unit.unit);
    }
    return text;
}

std::string lineValue(const Fact& fact, const Facts& facts) {
    if (!fact.data) return std::string(NoValue);
    const std::string_view name = fact.definition->name;
    return std::visit(
        [&](const auto& value) -> std::string {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>) {
                if (name == "version") {  // "flashwright-cli 1.2.0"
                    const std::string* program = textOf(facts, "program");
                    return program ? *program + " " + value : value;
                }
                if (name == "port") {  // "/dev/ttyUSB0 (COM3)": the slot when it is not what was given
                    const std::string* slot = textOf(facts, "slot");
                    return slot && *slot != value ? value + " (" + *slot + ")" : value;
                }
                return value.empty() ? std::string(NoValue) : value;
            } else if constexpr (std::is_same_v<T, long long>) {
                return withUnit(std::to_string(value), name);
            } else if constexpr (std::is_same_v<T, double>) {
                char text[32];
                std::snprintf(text, sizeof text, "%.3f", value);
                return withUnit(text, name);
            } else if constexpr (std::is_same_v<T, bool>) {
                return value ? "yes" : "no";
            } else {
                std::string text;
                for (const std::string& item : value) text += (text.empty() ? "" : ", ") + item;
                return text;
            }
        },
        *fact.data);
}

}  // namespace

std::string factLine(std::string_view key, std::string_view value) {
    std::string line(key);
    line += ':';
    line.append(static_cast<size_t>(std::max<int>(1, KeyWidth - static_cast<int>(key.size()) - 1)), ' ');
    line += value;
    line += '\n';
    return line;
}

std::string factLines(const Facts& facts, FactPart part) {
    std::string text;
    for (const Fact& fact : facts) {
        if (fact.definition->label.empty() || isEnding(*fact.definition) != (part == FactPart::Ending)) continue;
        text += factLine(fact.definition->label, lineValue(fact, facts));
    }
    return text;
}

std::string factsJson(const Facts& facts) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    for (const Fact& fact : facts) {
        auto& member = json[std::string(fact.definition->name)];
        if (fact.data) std::visit([&](const auto& value) { member = value; }, *fact.data);
    }
    try {
        return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    } catch (const nlohmann::json::exception&) {
        return "{}";  // not reached: every text is made valid by the replacement
    }
}

}  // namespace kq::production
