// JSON strings of the run records: escapes, UTF-8 as it is, and bytes that
// are not UTF-8 replaced so that every line stays valid JSON.
#include <gtest/gtest.h>

#include <string>

#include "production/json.h"

namespace kq::production {
namespace {

TEST(JsonString, EscapesAndUtf8) {
    const std::pair<std::string, std::string> rows[] = {
        {"plain", "\"plain\""},
        {"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
        {"a\nb\rc\td", "\"a\\nb\\rc\\td\""},
        {std::string("\x01\x1f\x7f", 3) + std::string(1, '\0'), "\"\\u0001\\u001F\\u007F\\u0000\""},
        {"升级成功 ✓ 😀", "\"升级成功 ✓ 😀\""},  // two-, three- and four-byte sequences pass through
        {"/tmp/a\xff.hex", "\"/tmp/a\xEF\xBF\xBD.hex\""},          // a byte that starts nothing
        {"\xe5\x8d", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},               // a sequence cut short
        {"\xc0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},               // an overlong NUL
        {"\xed\xa0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // a surrogate
        {"\xf4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // above U+10FFFF
    };
    for (const auto& [text, json] : rows) EXPECT_EQ(jsonString(text), json) << text;
}

TEST(JsonObject, MembersInOrderWithNullsAndArrays) {
    JsonObject json;
    json.add("port", "COM3")
        .add("exit_status", 0)
        .add("sectors", std::optional<int64_t>())
        .add("image_crc16", std::optional<std::string>("0xA2CA"))
        .addFixed3("duration_s", 12.3456)
        .add("log", std::vector<std::string>{"对接开始", "! 写入失败"});
    EXPECT_EQ(json.text(),
              "{\"port\":\"COM3\",\"exit_status\":0,\"sectors\":null,\"image_crc16\":\"0xA2CA\",\"duration_s\":12.346,"
              "\"log\":[\"对接开始\",\"! 写入失败\"]}");
}

}  // namespace
}  // namespace kq::production
