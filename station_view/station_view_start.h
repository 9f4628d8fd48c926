// What the station command needs for --http [ADDRESS:]PORT: read the
// option, start the server over the station, and the lines that tell the
// operator where the page is.
#pragma once

#include "production/station_state.h"
#include "station_view/station_server.h"

#include <memory>
#include <string>
#include <string_view>

namespace kq::station_view {

struct StationViewStart {
    std::unique_ptr<StationServer> server;  // running; null when it could not start
    std::string error;                      // why not, for "flashwright-cli: --http ...: <error>"
};

// Parses listenSpec ("8080", "0.0.0.0:8080", "[::1]:8080") and starts the
// server with a fresh token.
StationViewStart startStationView(production::StationControl& station, std::string_view listenSpec);

// The terminal's lines, each ending in '\n':
//   station view: http://127.0.0.1:8080/#token=...
//   read-only:    http://127.0.0.1:8080/
// and, on every interface, that the page is reached by this machine's address.
std::string stationViewAnnouncement(const StationServer& server);

}  // namespace kq::station_view
