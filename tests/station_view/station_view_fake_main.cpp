// station-view-fake: the station view over a fake station of three ports,
// for the browser test of a server that goes away and comes back (the
// state goes on changing meanwhile), driven by lines on standard input:
//   pass PORT              the port's cycle passed
//   fail PORT REASON...    the port's cycle failed for REASON
//   down                   the server goes away (the state still changes)
//   up                     the server listens again, on the same port and token
//   quit
// It prints "url URL" (with the token) once it listens, and "ok" after
// each command.
//   station-view-fake [--port N]
#include "station_view/station_server.h"
#include "support/fake_station_control.h"

#include <cstring>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>

namespace {

using kq::test::FakeStationControl;

std::mutex outputMutex;

void say(const std::string& line) {
    std::lock_guard lock(outputMutex);
    std::cout << line << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    kq::station_view::StationServerOptions options;
    options.port = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--port") == 0) options.port = std::atoi(argv[i + 1]);
    }
    FakeStationControl station;

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
        if (command == "pass" || command == "fail") {
            std::string reason;
            std::getline(words >> std::ws, reason);
            station.endCycle(port, command == "pass", reason);
        } else {
            say("unknown command");
            continue;
        }
        say("ok");
    }
    return 0;
}
