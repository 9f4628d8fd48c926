#include "station_view/station_view_start.h"

#include "station_view/listen_address.h"

namespace kq::station_view {

StationViewStart startStationView(production::StationControl& station, std::string_view listenSpec) {
    StationViewStart start;
    ParsedListenAddress parsed = parseListenAddress(listenSpec);
    if (parsed.error != ListenAddressError::None) {
        start.error = std::string(listenAddressErrorText(parsed.error));
        return start;
    }
    StationServerOptions options;
    options.address = parsed.value.address;
    options.port = parsed.value.port;
    auto server = std::make_unique<StationServer>(station, options);
    if (server->start() != StartResult::Started) {
        start.error = "cannot listen on " + urlHost(options.address) + ":" + std::to_string(options.port) +
                      " (the port is taken, or the address is not one of this machine's)";
        return start;
    }
    start.server = std::move(server);
    return start;
}

std::string stationViewAnnouncement(const StationServer& server) {
    std::string text = "station view: " + server.pageUrl() + "\n" + "read-only:    " + server.readOnlyUrl() + "\n";
    if (isWildcardAddress(server.address()))
        text += "(listening on every interface: other machines use this machine's address, port " +
                std::to_string(server.port()) + ")\n";
    return text;
}

}  // namespace kq::station_view
