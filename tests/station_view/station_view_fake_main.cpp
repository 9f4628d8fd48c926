// station-view-fake: the station view over a fake station of three ports,
// for the browser test and the README's picture, driven by lines on
// standard input:
//   flash PORT PERCENT     the port flashes
//   pass PORT              the port's cycle passed
//   fail PORT REASON...    the port's cycle failed for REASON
//   missing PORT           the port's adapter is gone
//   down                   the server goes away (the state still changes)
//   up                     the server listens again, on the same port and token
//   quit
// It prints "url URL" (with the token) once it listens, "ok" after each
// command, and "request ACTION PORT" for every action that reaches the
// station.
//   station-view-fake [--port N] [--scene plain|picture]
#include "station_view/station_server.h"
#include "support/fake_station_control.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>

namespace {

using kq::production::PortActivity;
using kq::production::StationState;
using kq::test::FakeStationControl;

std::mutex outputMutex;

void say(const std::string& line) {
    std::lock_guard lock(outputMutex);
    std::cout << line << std::endl;
}

// Three ports in the middle of a shift: one passed, one flashing, one failed.
void pictureScene(FakeStationControl& station) {
    const char* reason = "the module did not return its flash CRC: a noisy line, or the module reset during the check";
    station.change([](StationState& s) {
        s.stationName = "Line 3 · station A";
        s.recipe = {"app_v2.4.1.hex", "9f2c4e1b7a0d3c5e8f6a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f6a", "kq581x", "nobackup",
                    "0x2000", "0x3E000", 115200};
        s.ports[0].stableName = "pci-0000:00:14.0-usb-0:2.1:1.0-port0";
        s.ports[1].stableName = "pci-0000:00:14.0-usb-0:2.2:1.0-port0";
        s.ports[2].stableName = "pci-0000:00:14.0-usb-0:2.3:1.0-port0";
        s.ports[2].adapterWarning =
            "latency timer 16 ms: lower it with the udev rule ATTR{latency_timer}=\"1\"";
    });
    for (int i = 0; i < 14; ++i) station.endCycle(i % 3, i % 5 != 4, reason);
    station.endCycle(2, false, reason);
    station.change([](StationState& s) {
        s.ports[1].activity = PortActivity::Flashing;
        s.ports[1].progressPercent = 63;
        s.ports[1].cycleTimeS = 13.6;
        s.ports[1].moduleAddress = "000000000106";
        s.modulesPerHour = 151;
        s.recordsDatabase = true;
        s.recordsWaiting = 2;
    });
}

}  // namespace

int main(int argc, char** argv) {
    kq::station_view::StationServerOptions options;
    options.port = 0;
    std::string scene = "plain";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--port") == 0) options.port = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--scene") == 0) scene = argv[i + 1];
    }
    FakeStationControl station;
    if (scene == "picture") pictureScene(station);
    station.onRequest([](const FakeStationControl::Request& request) {
        say("request " + request.action + " " + std::to_string(request.port));
    });

    auto server = std::make_unique<kq::station_view::StationServer>(station, options);
    if (server->start() != kq::station_view::StartResult::Started) {
        std::cerr << "station-view-fake: cannot listen on port " << options.port << "\n";
        return 1;
    }
    options.port = server->port();
    options.token = server->token();
    say("url " + server->pageUrl());

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        int port = 0;
        words >> command;
        if (command == "quit") break;
        if (command == "down") {
            server.reset();
            say("ok");
            continue;
        }
        if (command == "up") {
            server = std::make_unique<kq::station_view::StationServer>(station, options);
            if (server->start() != kq::station_view::StartResult::Started) {
                std::cerr << "station-view-fake: cannot listen again on port " << options.port << "\n";
                return 1;
            }
            say("ok");
            continue;
        }
        words >> port;
        if (port < 0 || port > 2) {
            say("bad port");
            continue;
        }
        if (command == "flash") {
            int percent = 0;
            words >> percent;
            station.change([&](StationState& s) {
                s.ports[size_t(port)].activity = PortActivity::Flashing;
                s.ports[size_t(port)].progressPercent = percent;
            });
        } else if (command == "pass" || command == "fail") {
            std::string reason;
            std::getline(words >> std::ws, reason);
            station.endCycle(port, command == "pass", reason);
        } else if (command == "missing") {
            station.change([&](StationState& s) {
                s.ports[size_t(port)].activity = PortActivity::AdapterMissing;
                s.ports[size_t(port)].device = "";
            });
        } else {
            say("unknown command");
            continue;
        }
        say("ok");
    }
    return 0;
}
