// The station view: an HTTP server on its own threads that shows a running
// station in a browser (GET /, the page), gives its state as JSON
// (GET /api/state, GET /api/records?limit=N, the event stream
// GET /api/events) and takes the operator's actions (POST /api/ports/N/next,
// .../pause, .../resume, POST /api/next, POST /api/stop) when they carry the
// station's token. The README's "Station view" section gives the JSON and
// the rules. The station is reached only through StationControl; no call of
// the server waits on the station beyond a snapshot, so a slow or stuck
// browser never holds up a port.
#pragma once

#include "production/station_state.h"
#include "station_view/http_bounds.h"
#include "station_view/listen_address.h"

#include <memory>
#include <string>

namespace kq::station_view {

struct StationServerOptions {
    std::string address = DefaultListenAddress;  // an IP literal; another interface only when given
    int port = 8080;                             // 0: any free port (port() tells which)
    std::string token;                           // "" : a fresh random token at start()
    int maxEventStreams = 8;                     // browsers watching at once; more are answered 503
    int eventWaitMs = 250;                       // one wait for a change (also how fast stop() ends a stream)
    int pingIntervalMs = 15000;                  // a comment on an idle stream
    HttpBounds http;                             // threads, sizes and time-outs of every connection
};

enum class StartResult {
    Started,
    AlreadyRunning,
    CannotListen,  // the address is not this machine's, or the port is taken
};

class StationServer {
public:
    StationServer(production::StationControl& station, StationServerOptions options);
    ~StationServer();  // stops
    StationServer(const StationServer&) = delete;
    StationServer& operator=(const StationServer&) = delete;

    StartResult start();
    // Ends every stream and connection and joins the server's threads
    // (within about a second, the read time-out at worst).
    void stop();
    bool running() const;

    int port() const;                   // the listening port once started
    const std::string& token() const;   // the token actions must carry
    std::string address() const;        // as listened on
    // "http://127.0.0.1:8080/#token=...": the URL the terminal prints for
    // the operator's browser; readOnlyUrl() leaves the token out.
    std::string pageUrl() const;
    std::string readOnlyUrl() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kq::station_view
