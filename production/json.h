// JSON text for the one-line run records of --json: strings escaped (UTF-8
// passes through, a byte that is not UTF-8 becomes U+FFFD so that the line
// stays valid JSON), members added in order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kq::production {

// text as a JSON string, quotes included.
std::string jsonString(std::string_view text);

// Builds one JSON object, member by member.
class JsonObject {
public:
    JsonObject& add(std::string_view name, std::string_view text);
    JsonObject& add(std::string_view name, const char* text) { return add(name, std::string_view(text)); }
    JsonObject& add(std::string_view name, const std::string& text) { return add(name, std::string_view(text)); }
    JsonObject& add(std::string_view name, int64_t number);
    JsonObject& add(std::string_view name, int number) { return add(name, int64_t{number}); }
    JsonObject& add(std::string_view name, const std::optional<std::string>& text);  // null when absent
    JsonObject& add(std::string_view name, const std::optional<int64_t>& number);   // null when absent
    // A number with three decimals (seconds).
    JsonObject& addFixed3(std::string_view name, double number);
    JsonObject& add(std::string_view name, const std::vector<std::string>& texts);

    // The object, "{...}", without a line end.
    std::string text() const { return "{" + members_ + "}"; }

private:
    void name(std::string_view name);
    std::string members_;
};

}  // namespace kq::production
