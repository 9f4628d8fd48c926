// The station view's rules as plain functions: where it listens, which Host
// names pass, the token, the page's language, the page's filling and the
// JSON of a state.
#include "station_view/listen_address.h"
#include "station_view/page_language.h"
#include "station_view/request_rules.h"
#include "station_view/state_json.h"
#include "station_view/station_page.h"
#include "support/fake_station_control.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace kq::test {
namespace {

using namespace station_view;

TEST(StationViewRules, ListenAddress) {
    struct Row {
        const char* text;
        ListenAddressError error;
        const char* address;
        int port;
    };
    const Row rows[] = {
        {"8080", ListenAddressError::None, "127.0.0.1", 8080},
        {"0", ListenAddressError::None, "127.0.0.1", 0},
        {"0.0.0.0:80", ListenAddressError::None, "0.0.0.0", 80},
        {"192.168.10.20:65535", ListenAddressError::None, "192.168.10.20", 65535},
        {"localhost:9000", ListenAddressError::None, "127.0.0.1", 9000},
        {"[::1]:8080", ListenAddressError::None, "::1", 8080},
        {"", ListenAddressError::Empty, "", 0},
        {"65536", ListenAddressError::BadPort, "", 0},
        {"80a", ListenAddressError::BadPort, "", 0},
        {"127.0.0.1:", ListenAddressError::BadPort, "", 0},
        {"-1", ListenAddressError::BadPort, "", 0},
        {"999999999999", ListenAddressError::BadPort, "", 0},
        {"station.example:8080", ListenAddressError::BadAddress, "", 0},
        {"256.1.1.1:8080", ListenAddressError::BadAddress, "", 0},
        {"1.2.3:8080", ListenAddressError::BadAddress, "", 0},
        {"::1:8080", ListenAddressError::BadAddress, "", 0},
        {"[::1]8080", ListenAddressError::BadAddress, "", 0},
        {"[station]:8080", ListenAddressError::BadAddress, "", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        ParsedListenAddress parsed = parseListenAddress(row.text);
        EXPECT_EQ(parsed.error, row.error);
        if (row.error == ListenAddressError::None) {
            EXPECT_EQ(parsed.value.address, row.address);
            EXPECT_EQ(parsed.value.port, row.port);
        }
    }
    EXPECT_EQ(urlHost("::1"), "[::1]");
    EXPECT_EQ(urlHost("0.0.0.0"), "127.0.0.1");
}

TEST(StationViewRules, HostHeader) {
    struct Row {
        const char* host;
        const char* listening;
        int port;
        bool allowed;
    };
    const Row rows[] = {
        {"127.0.0.1:8080", "127.0.0.1", 8080, true},
        {"localhost:8080", "127.0.0.1", 8080, true},
        {"LOCALHOST:8080", "127.0.0.1", 8080, true},
        {"127.0.0.1:8081", "127.0.0.1", 8080, false},
        {"127.0.0.1", "127.0.0.1", 8080, false},
        {"127.0.0.1", "127.0.0.1", 80, true},
        {"127.0.0.1:", "127.0.0.1", 8080, false},
        {"evil.example:8080", "127.0.0.1", 8080, false},
        {"127.0.0.1.evil.example:8080", "127.0.0.1", 8080, false},
        {"localhost.evil.example:8080", "127.0.0.1", 8080, false},
        {"", "127.0.0.1", 8080, false},
        {":8080", "127.0.0.1", 8080, false},
        {"192.168.1.5:8080", "127.0.0.1", 8080, false},
        {"192.168.1.5:8080", "192.168.1.5", 8080, true},
        {"10.0.0.7:8080", "0.0.0.0", 8080, true},
        {"[fe80::1]:8080", "::", 8080, true},
        {"station-3.line:8080", "0.0.0.0", 8080, false},
        {"[::1]:8080", "::1", 8080, true},
        {"[::1:8080", "::1", 8080, false},
        {"[evil]:8080", "::", 8080, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.host) + " to " + row.listening);
        EXPECT_EQ(hostAllowed(row.host, row.listening, row.port), row.allowed);
    }
}

TEST(StationViewRules, Token) {
    const std::string token = "0123456789abcdef0123456789abcdef";
    EXPECT_TRUE(tokensEqual(requestToken(token, ""), token));
    EXPECT_TRUE(tokensEqual(requestToken("", "Bearer " + token), token));
    EXPECT_TRUE(tokensEqual(requestToken("", "bearer " + token), token));
    EXPECT_FALSE(tokensEqual(requestToken("", "Basic " + token), token));
    EXPECT_FALSE(tokensEqual(requestToken("", ""), token));
    EXPECT_FALSE(tokensEqual(token.substr(0, 31), token));
    EXPECT_FALSE(tokensEqual(token + "0", token));
    EXPECT_FALSE(tokensEqual("1123456789abcdef0123456789abcdef", token));
    EXPECT_FALSE(tokensEqual("", ""));  // a server without a token accepts nothing
}

TEST(StationViewRules, LanguageByQValues) {
    struct Row {
        const char* header;
        PageLanguage language;
    };
    const Row rows[] = {
        {"", PageLanguage::Chinese},
        {"en", PageLanguage::English},
        {"en-US,en;q=0.9", PageLanguage::English},
        {"zh-CN,zh;q=0.9,en;q=0.8", PageLanguage::Chinese},
        {"zh;q=0.5, en;q=0.8", PageLanguage::English},
        {"en;q=0.5, zh-TW;q=0.6", PageLanguage::Chinese},
        {"en;q=0.8, zh;q=0.8", PageLanguage::English},  // a tie: the first
        {"de-DE,de;q=0.9,en;q=0.3", PageLanguage::English},
        {"en;q=0, zh;q=0.1", PageLanguage::Chinese},
        {"en;q=0", PageLanguage::Chinese},
        {"fr, *;q=0.5", PageLanguage::Chinese},
        {"en;q=2", PageLanguage::Chinese},
        {"en;q=abc", PageLanguage::Chinese},
        {"EN-gb", PageLanguage::English},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.header);
        EXPECT_EQ(chooseLanguage(row.header), row.language);
    }
}

TEST(StationViewRules, PageIsFilledAndItsScriptCannotBeBrokenOutOf) {
    FakeStationControl station;
    station.change([](production::StationState& s) { s.stationName = "</script><script>alert(1)</script>"; });
    std::string page = renderStationPage(stationPageTemplate(), PageLanguage::English, "n0nce", stateJson(station.snapshot()));
    EXPECT_EQ(page.find("{{"), std::string::npos);
    EXPECT_EQ(page.find("alert(1)</script>"), std::string::npos);
    EXPECT_NE(page.find("<html lang=\"en\">"), std::string::npos);
    EXPECT_NE(page.find("<script nonce=\"n0nce\">"), std::string::npos);
    EXPECT_NE(page.find("\"waiting-for-operator\":\"waiting for the operator\""), std::string::npos);
    // The one remote-start text of the page, in Chinese as the station names it.
    std::string chinese = renderStationPage(stationPageTemplate(), PageLanguage::Chinese, "n", "{}");
    EXPECT_NE(chinese.find("\"next\":\"下一个模块\""), std::string::npos);
    EXPECT_NE(chinese.find("<html lang=\"zh-CN\">"), std::string::npos);
}

TEST(StationViewRules, StateJson) {
    FakeStationControl station;
    station.endCycle(2, false, "no answer");
    EXPECT_EQ(nlohmann::json::parse(stateJson(station.snapshot()))["records_waiting"], nullptr)
        << "no records database: nothing to count";
    station.change([](production::StationState& s) {
        s.ports[0].activity = production::PortActivity::Flashing;
        s.ports[0].progressPercent = 42;
        s.ports[1].device = std::string("/dev/tty\xff", 9);  // not UTF-8
        s.recordsDatabase = true;
        s.recordsWaiting = 3;
        s.modulesPerHour = 118.5;
    });
    auto json = nlohmann::json::parse(stateJson(station.snapshot()));
    EXPECT_EQ(json["version"], station.snapshot().version);
    EXPECT_EQ(json["ports"][0]["activity"], "flashing");
    EXPECT_EQ(json["ports"][0]["progress_percent"], 42);
    EXPECT_EQ(json["ports"][0]["last"], nullptr);
    EXPECT_EQ(json["ports"][1]["activity"], "waiting-for-operator");
    EXPECT_EQ(json["ports"][2]["failed"], 1);
    EXPECT_EQ(json["ports"][2]["yield"], 0.0);
    EXPECT_EQ(json["ports"][2]["last"]["reason"], "no answer");
    EXPECT_EQ(json["recent"][0]["port_name"], "usb-1.1.3");
    EXPECT_EQ(json["totals"]["failed"], 1);
    EXPECT_EQ(json["totals"]["modules_per_hour"], 118.5);
    EXPECT_EQ(json["records_waiting"], 3);
    EXPECT_EQ(json["recipe"]["type"], "nobackup");
    EXPECT_EQ(json["recipe"]["baud"], 115200);
    EXPECT_EQ(activityWord(production::PortActivity::AdapterMissing), "adapter-missing");
    EXPECT_EQ(activityWord(production::PortActivity::RemoveModule), "remove-module");
    EXPECT_EQ(activityWord(production::PortActivity::Paused), "paused");
    EXPECT_EQ(activityWord(production::PortActivity::WaitingForModule), "waiting-for-module");
}

}  // namespace
}  // namespace kq::test
