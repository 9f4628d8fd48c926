// The station view's server on 127.0.0.1 against a fake station: what it
// refuses, the actions that reach the station, the event stream, and that
// misbehaving clients neither stop it nor hold up the others.
#include "raw_http.h"
#include "station_view/station_server.h"
#include "station_view/station_view_start.h"
#include "support/fake_station_control.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <thread>

namespace kq::test {
namespace {

using namespace std::chrono_literals;
using station_view::StartResult;
using station_view::StationServer;
using station_view::StationServerOptions;

constexpr const char* Token = "0123456789abcdef0123456789abcdef";

StationServerOptions testOptions() {
    StationServerOptions options;
    options.port = 0;
    options.token = Token;
    return options;
}

class StationServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(server.start(), StartResult::Started); }
    std::string request(const std::string& method, const std::string& path, const std::string& extra = "") {
        return requestBytes(method, path, server.port(), extra);
    }
    std::string hostLine(const std::string& host) { return "Host: " + host + "\r\n"; }
    std::string raw(const std::string& requestLine, const std::string& headers) {
        return requestLine + " HTTP/1.1\r\n" + headers + "\r\n";
    }

    FakeStationControl station;
    StationServer server{station, testOptions()};
};

// Every refusal in one table. None of these requests may reach the station,
// and none of the answers may carry a CORS header.
TEST_F(StationServerTest, RefusesWhatItMust) {
    const int port = server.port();
    const std::string local = "127.0.0.1:" + std::to_string(port);
    const std::string token = std::string("X-Station-Token: ") + Token + "\r\n";
    struct Row {
        const char* name;
        std::string bytes;
        int status;
    };
    const Row rows[] = {
        {"a host name that is not ours (DNS rebinding)", raw("GET /api/state", hostLine("evil.example:" + std::to_string(port))), 421},
        {"our address on another port", raw("GET /api/state", hostLine("127.0.0.1:1")), 421},
        {"no Host at all", raw("GET /api/state", ""), 421},
        {"a rebinding name on an action, with the token", raw("POST /api/stop", hostLine("evil.example:" + std::to_string(port)) + token), 421},
        {"one header line over the limit", request("GET", "/api/state", "X-Long: " + std::string(5000, 'x') + "\r\n"), 400},
        {"a head over the whole budget in many short lines",
         request("GET", "/api/state", [] {
             std::string lines;
             for (int i = 0; i < 40; ++i) lines += "X-Filler-" + std::to_string(i) + ": " + std::string(500, 'y') + "\r\n";
             return lines;
         }()),
         400},
        {"a request line over the limit", request("GET", "/api/records?x=" + std::string(3000, 'z')), 414},
        {"a body over the limit", request("POST", "/api/next", token + "Content-Length: 100000\r\n"), 413},
        {"a body of unknown length", request("POST", "/api/next", token + "Transfer-Encoding: chunked\r\n"), 411},
        {"a path the server does not have", request("GET", "/etc/passwd"), 404},
        {"a path that climbs out", request("GET", "/../station_view/station_page.html"), 404},
        {"a file name of the page", request("GET", "/station_page.html"), 404},
        {"an action without the token", request("POST", "/api/ports/0/next"), 403},
        {"an action with a wrong token", request("POST", "/api/next", "X-Station-Token: 0123456789abcdef0123456789abcdee\r\n"), 403},
        {"a wrong bearer token", request("POST", "/api/stop", "Authorization: Bearer nope\r\n"), 403},
        {"the token of the page as a query, not a header", request("POST", std::string("/api/stop?token=") + Token), 403},
        {"GET of an action, with the token", request("GET", "/api/ports/0/next", token), 405},
        {"GET of stop, with the token", request("GET", "/api/stop", token), 405},
        {"POST to the state", request("POST", "/api/state", token), 405},
        {"a CORS preflight", request("OPTIONS", "/api/stop", "Origin: http://evil.example\r\nAccess-Control-Request-Method: POST\r\n"), 405},
        {"a port the station does not have", request("POST", "/api/ports/3/next", token), 404},
        {"a port number too long for any station", request("POST", "/api/ports/12345/next", token), 404},
        {"resume of a port that is not paused", request("POST", "/api/ports/1/resume", token), 409},
        {"a record count that is no number", request("GET", "/api/records?limit=ten"), 400},
        {"a record count of nothing", request("GET", "/api/records?limit=0"), 400},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RawAnswer answer = rawRequest(port, row.bytes);
        ASSERT_TRUE(answer.connected);
        EXPECT_EQ(answer.status, row.status);
        EXPECT_EQ(answer.headers.count("access-control-allow-origin"), 0u);
        EXPECT_EQ(answer.headers["x-content-type-options"], "nosniff");
        if (row.status != 400 && row.status != 414) {
            // Our own refusals say why, as JSON.
            EXPECT_NE(answer.body.find("\"error\""), std::string::npos) << answer.body;
        }
    }
    EXPECT_TRUE(station.requests().empty());
    // The server still serves after all of that, on the name localhost too.
    RawAnswer after = rawRequest(port, raw("GET /api/state", hostLine("LocalHost:" + std::to_string(port))));
    EXPECT_EQ(after.status, 200);
}

TEST_F(StationServerTest, ActionsWithTheTokenReachTheStation) {
    const std::string token = std::string("X-Station-Token: ") + Token + "\r\n";
    const std::string bearer = std::string("Authorization: Bearer ") + Token + "\r\n";
    EXPECT_EQ(rawRequest(server.port(), request("POST", "/api/ports/0/next", token)).status, 200);
    EXPECT_EQ(rawRequest(server.port(), request("POST", "/api/ports/2/pause", bearer)).status, 200);
    EXPECT_EQ(rawRequest(server.port(), request("POST", "/api/ports/2/resume", token)).status, 200);
    EXPECT_EQ(rawRequest(server.port(), request("POST", "/api/next", token)).status, 200);
    RawAnswer stop = rawRequest(server.port(), request("POST", "/api/stop", token + "Content-Length: 0\r\n"));
    EXPECT_EQ(stop.status, 200);
    EXPECT_EQ(stop.headers["cache-control"], "no-store");

    std::vector<std::pair<std::string, int>> reached;
    for (const auto& r : station.requests()) reached.emplace_back(r.action, r.port);
    EXPECT_EQ(reached, (std::vector<std::pair<std::string, int>>{
                           {"next", 0}, {"pause", 2}, {"resume", 2}, {"next-all", -1}, {"stop", -1}}));
}

TEST_F(StationServerTest, ServesTheStateTheRecordsAndThePage) {
    station.endCycle(0, true, "");
    station.endCycle(2, false, "no answer to the handshake");
    station.endCycle(1, true, "");

    RawAnswer state = rawRequest(server.port(), request("GET", "/api/state"));
    ASSERT_EQ(state.status, 200);
    EXPECT_EQ(state.headers["content-type"], "application/json; charset=utf-8");
    auto json = nlohmann::json::parse(state.body);
    EXPECT_EQ(json["ports"].size(), 3u);
    EXPECT_EQ(json["ports"][2]["last"]["reason"], "no answer to the handshake");

    RawAnswer records = rawRequest(server.port(), request("GET", "/api/records?limit=2"));
    ASSERT_EQ(records.status, 200);
    auto list = nlohmann::json::parse(records.body)["records"];
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["port"], 1);  // newest first
    EXPECT_EQ(list[1]["port"], 2);
    EXPECT_EQ(list[1]["port_name"], "usb-1.1.3");

    RawAnswer page = rawRequest(server.port(), request("GET", "/", "Accept-Language: en-US,en;q=0.9,zh;q=0.5\r\n"));
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(page.headers["content-language"], "en");
    std::string csp = page.headers["content-security-policy"];
    size_t at = csp.find("'nonce-");
    ASSERT_NE(at, std::string::npos) << csp;
    std::string nonce = csp.substr(at + 7, 32);
    EXPECT_NE(page.body.find("<script nonce=\"" + nonce + "\">"), std::string::npos);
    EXPECT_NE(page.body.find("<style nonce=\"" + nonce + "\">"), std::string::npos);
    EXPECT_NE(csp.find("connect-src 'self'"), std::string::npos);
    EXPECT_EQ(csp.find("unsafe-inline"), std::string::npos);
    // A second page gets a nonce of its own.
    RawAnswer again = rawRequest(server.port(), request("GET", "/"));
    EXPECT_EQ(again.headers["content-security-policy"].find(nonce), std::string::npos);
    EXPECT_EQ(again.headers["content-language"], "zh-CN");
    EXPECT_EQ(server.pageUrl(), "http://127.0.0.1:" + std::to_string(server.port()) + "/#token=" + Token);
}

// The stream starts with the whole state and brings every change well within
// a second; stop() ends an open stream.
TEST_F(StationServerTest, EventStreamBringsEveryChange) {
    RawConnection stream(server.port());
    ASSERT_TRUE(stream.send(request("GET", "/api/events")));
    std::string head = stream.readUntil("\r\n\r\n", 2s);
    EXPECT_NE(head.find("text/event-stream"), std::string::npos) << head;
    std::string first = stream.readUntil("\n\n", 2s);
    EXPECT_NE(first.find("event: state\ndata: {"), std::string::npos) << first;
    EXPECT_NE(first.find("\"stable_name\":\"usb-1.1.3\""), std::string::npos);

    auto changed = std::chrono::steady_clock::now();
    station.endCycle(1, false, "CRC of sector 7 differs");
    std::string event = stream.readUntil("\n\n", 1s);
    auto latency = std::chrono::steady_clock::now() - changed;
    EXPECT_NE(event.find("CRC of sector 7 differs"), std::string::npos) << event;
    EXPECT_LT(latency, 1s);

    auto stopping = std::chrono::steady_clock::now();
    server.stop();
    EXPECT_TRUE(stream.closedWithin(2s));
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 2s);
}

TEST(StationServerBounds, MisbehavingClientsNeitherStopNorHoldUpTheServer) {
    FakeStationControl station;
    StationServerOptions options = testOptions();
    options.http.workerThreads = 3;
    options.http.queuedConnections = 2;
    options.http.idleTimeoutS = 1;
    options.http.requestTime = 1500ms;
    options.maxEventStreams = 1;
    StationServer server(station, options);
    ASSERT_EQ(server.start(), StartResult::Started);
    const int port = server.port();

    // One stream takes the one stream place; the next browser is told to come back.
    RawConnection stream(port);
    ASSERT_TRUE(stream.send(requestBytes("GET", "/api/events", port)));
    EXPECT_NE(stream.readUntil("event: state", 2s), "");
    EXPECT_EQ(rawRequest(port, requestBytes("GET", "/api/events", port)).status, 503);

    // Clients that connect and say nothing, one that sends its head a byte
    // at a time and never ends it, and one that sends noise.
    std::vector<std::unique_ptr<RawConnection>> idle;
    for (int i = 0; i < 4; ++i) idle.push_back(std::make_unique<RawConnection>(port));
    std::thread slow([port] {
        RawConnection trickle(port);
        std::string head = "GET /api/state HTTP/1.1\r\nX-Slow: ";
        for (int i = 0; i < 40 && trickle.send(head.substr(0, 1)); ++i) {
            head = head.size() > 1 ? head.substr(1) : "y";
            std::this_thread::sleep_for(100ms);
        }
    });
    RawAnswer noise = rawRequest(port, std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11) + "\r\n\r\n");
    EXPECT_TRUE(noise.status == 0 || noise.status == 400) << noise.status;

    // A proper request is still answered, once the idle ones are let go.
    auto asked = std::chrono::steady_clock::now();
    RawAnswer state = rawRequest(port, requestBytes("GET", "/api/state", port), 8s);
    EXPECT_EQ(state.status, 200);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 4s);
    for (auto& connection : idle) EXPECT_TRUE(connection->closedWithin(3s));
    slow.join();
    EXPECT_EQ(rawRequest(port, requestBytes("GET", "/api/state", port)).status, 200);
}

// The station command's --http: a bad option is refused with its reason, a
// good one starts the server and names the page with its token.
TEST(StationViewStart, FromTheCommandLineOption) {
    FakeStationControl station;
    EXPECT_EQ(station_view::startStationView(station, "8o8o").error, "the port is not a number from 0 to 65535");
    EXPECT_EQ(station_view::startStationView(station, "station:80").error,
              "the address is neither an IP address nor localhost");
    auto start = station_view::startStationView(station, "127.0.0.1:0");
    ASSERT_TRUE(start.server) << start.error;
    const auto& server = *start.server;
    EXPECT_EQ(server.token().size(), 32u);
    std::string base = "http://127.0.0.1:" + std::to_string(server.port()) + "/";
    EXPECT_EQ(station_view::stationViewAnnouncement(server),
              "station view: " + base + "#token=" + server.token() + "\nread-only:    " + base + "\n");
    EXPECT_EQ(rawRequest(server.port(), requestBytes("POST", "/api/next", server.port(),
                                                     "X-Station-Token: " + server.token() + "\r\n"))
                  .status,
              200);
    auto taken = station_view::startStationView(station, "127.0.0.1:" + std::to_string(server.port()));
    EXPECT_FALSE(taken.server);
    EXPECT_NE(taken.error.find("cannot listen on 127.0.0.1:"), std::string::npos);
}

}  // namespace
}  // namespace kq::test
