#include "station_view/station_server.h"

#include "station_view/bounded_http_server.h"
#include "station_view/listen_socket.h"
#include "station_view/page_language.h"
#include "station_view/request_rules.h"
#include "station_view/state_json.h"
#include "station_view/station_page.h"
#include "station_view/station_token.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <regex>
#include <thread>

namespace kq::station_view {

using httplib::Request;
using httplib::Response;
using production::StationControl;

namespace {

constexpr const char* JsonType = "application/json; charset=utf-8";
constexpr int NonceBytes = 16;

std::string_view statusWord(int status) {
    switch (status) {
    case 400: return "bad-request";
    case 403: return "forbidden";
    case 404: return "not-found";
    case 405: return "method-not-allowed";
    case 409: return "not-applicable";
    case 411: return "length-required";
    case 413: return "too-large";
    case 414: return "uri-too-long";
    case 421: return "wrong-host";
    case 503: return "busy";
    default: return status >= 500 ? "server-error" : "refused";
    }
}

void refuse(Response& res, int status) {
    res.status = status;
    res.set_content("{\"error\":\"" + std::string(statusWord(status)) + "\"}", JsonType);
}

void answerJson(Response& res, std::string body) {
    res.status = 200;
    res.set_content(std::move(body), JsonType);
}

// "limit" of /api/records: 1 to RecentCycles; more is cut to RecentCycles.
// 0 when missing or not a positive decimal number of at most 6 digits.
size_t recordLimit(const Request& req) {
    if (!req.has_param("limit")) return production::RecentCycles;
    std::string text = req.get_param_value("limit");
    if (text.empty() || text.size() > 6) return 0;
    for (char c : text)
        if (c < '0' || c > '9') return 0;
    size_t value = std::stoul(text);
    return value > production::RecentCycles ? production::RecentCycles : value;
}

std::string stateEvent(const production::StationState& state) {
    return "event: state\ndata: " + stateJson(state) + "\n\n";
}

}  // namespace

struct StationServer::Impl {
    StationControl& station;
    StationServerOptions options;
    mutable std::mutex lifecycle;  // start(), stop(), running()
    std::unique_ptr<BoundedHttpServer> http;
    std::thread listener;
    std::atomic<bool> listenEnded{false};
    std::atomic<bool> stopping{false};
    std::atomic<int> streams{0};
    int boundPort = 0;
    std::string token;

    Impl(StationControl& s, StationServerOptions o) : station(s), options(std::move(o)) {}

    bool authorised(const Request& req) const {
        return tokensEqual(requestToken(req.get_header_value("X-Station-Token"), req.get_header_value("Authorization")),
                           token);
    }

    // Host, method and body size, before any route is looked at.
    httplib::Server::HandlerResponse screen(const Request& req, Response& res) {
        if (!hostAllowed(req.get_header_value("Host"), options.address, boundPort)) {
            refuse(res, 421);
            return httplib::Server::HandlerResponse::Handled;
        }
        if (req.method != "GET" && req.method != "HEAD" && req.method != "POST") {
            refuse(res, 405);
            res.set_header("Allow", "GET, HEAD, POST");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (req.has_header("Transfer-Encoding")) {
            refuse(res, 411);
            return httplib::Server::HandlerResponse::Handled;
        }
        if (req.method == "POST" && !req.has_header("Content-Length")) {
            post(req, res);
            return httplib::Server::HandlerResponse::Handled;
        }
        if (req.has_header("Content-Length")) {
            std::string length = req.get_header_value("Content-Length");
            bool digits = !length.empty() && length.size() <= 9 &&
                          length.find_first_not_of("0123456789") == std::string::npos;
            if (!digits || std::stoul(length) > options.http.bodyBytes) {
                refuse(res, 413);
                return httplib::Server::HandlerResponse::Handled;
            }
        }
        return httplib::Server::HandlerResponse::Unhandled;
    }

    void page(const Request& req, Response& res) const {
        PageLanguage language = chooseLanguage(req.get_header_value("Accept-Language"));
        std::string nonce = randomHex(NonceBytes);
        std::string body = renderStationPage(stationPageTemplate(), language, nonce, stateJson(station.snapshot()));
        res.headers.erase("Content-Security-Policy");
        res.set_header("Content-Security-Policy", pageContentSecurityPolicy(nonce));
        res.set_header("Content-Language", std::string(languageTag(language)));
        res.set_header("Vary", "Accept-Language");
        res.set_content(std::move(body), "text/html; charset=utf-8");
    }

    void records(const Request& req, Response& res) const {
        size_t limit = recordLimit(req);
        if (limit == 0) return refuse(res, 400);
        answerJson(res, recordsJson(station.snapshot(), limit));
    }

    // One browser's event stream, on the worker thread that serves it: the
    // whole state at once, then at every change, a comment when idle. Each
    // wait for a change is short, so that stop() ends the stream soon.
    struct EventStream {
        Impl& server;
        uint64_t seen = 0;
        bool started = false;
        std::chrono::steady_clock::time_point lastWrite = std::chrono::steady_clock::now();

        explicit EventStream(Impl& s) : server(s) {}
        ~EventStream() { --server.streams; }

        bool next(httplib::DataSink& sink) {
            if (server.stopping) {
                sink.done();
                return true;
            }
            std::string chunk;
            if (!started) {
                production::StationState state = server.station.snapshot();
                seen = state.version;
                started = true;
                // A browser that lost the stream asks again after a second.
                chunk = "retry: 1000\n" + stateEvent(state);
            } else {
                production::StationState state = server.station.waitForChange(seen, server.options.eventWaitMs);
                if (state.version != seen) {
                    seen = state.version;
                    chunk = stateEvent(state);
                } else if (std::chrono::steady_clock::now() - lastWrite >=
                           std::chrono::milliseconds(server.options.pingIntervalMs)) {
                    chunk = ": ping\n\n";
                }
            }
            if (chunk.empty()) return true;
            if (!sink.write(chunk.data(), chunk.size())) return false;
            lastWrite = std::chrono::steady_clock::now();
            return true;
        }
    };

    void events(Response& res) {
        // Two workers at least stay free for the page, the JSON and actions.
        int limit = std::min(options.maxEventStreams, std::max(1, int(options.http.workerThreads) - 2));
        if (++streams > limit) {
            --streams;
            refuse(res, 503);
            res.set_header("Retry-After", "5");
            return;
        }
        auto stream = std::make_shared<EventStream>(*this);
        res.set_header("X-Accel-Buffering", "no");
        res.set_chunked_content_provider(
            "text/event-stream", [stream](size_t, httplib::DataSink& sink) { return stream->next(sink); });
    }

    // An action: 403 without the token, 404 for a port the station does not
    // have, 409 when the station says it does not apply.
    template <typename Action>
    void act(const Request& req, Response& res, int port, Action action) {
        if (!authorised(req)) return refuse(res, 403);
        if (port >= 0 && size_t(port) >= station.snapshot().ports.size()) return refuse(res, 404);
        if (!action()) return refuse(res, 409);
        answerJson(res, "{\"ok\":true}");
    }

    // Every POST. A POST without Content-Length has no body (HTTP/1.1),
    // but the library would wait for one until the connection closes; such
    // requests come here from screen(), the others after their body was read.
    void post(const Request& req, Response& res) {
        static const std::regex portPath(R"(/api/ports/(\d{1,3})/(next|pause|resume))");
        std::smatch match;
        if (std::regex_match(req.path, match, portPath)) {
            int port = std::stoi(match[1].str());
            std::string verb = match[2].str();
            return act(req, res, port, [&] {
                if (verb == "next") return station.startNextCycle(port);
                if (verb == "pause") return station.pausePort(port);
                return station.resumePort(port);
            });
        }
        if (req.path == "/api/next") return act(req, res, -1, [&] { return station.startNextCycleEverywhere(); });
        if (req.path == "/api/stop") {
            return act(req, res, -1, [&] {
                station.stopStation();
                return true;
            });
        }
        if (req.path == "/" || req.path == "/api/state" || req.path == "/api/records" || req.path == "/api/events") {
            refuse(res, 405);
            res.set_header("Allow", "GET, HEAD");
            return;
        }
        refuse(res, 404);
    }

    void install() {
        BoundedHttpServer& s = *http;
        s.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                               {"Cache-Control", "no-store"},
                               {"Referrer-Policy", "no-referrer"},
                               {"X-Frame-Options", "DENY"},
                               {"Content-Security-Policy", "default-src 'none'; frame-ancestors 'none'"}});
        s.set_socket_options([](socket_t sock) { setListenSocketOptions(static_cast<std::uintptr_t>(sock)); });
        s.set_pre_routing_handler([this](const Request& req, Response& res) { return screen(req, res); });
        // The library's own refusals (400, 404, 413, 414) get a JSON body too.
        s.set_error_handler(httplib::Server::HandlerWithResponse([](const Request&, Response& res) {
            if (res.body.empty()) refuse(res, res.status);
            return httplib::Server::HandlerResponse::Handled;
        }));
        s.set_exception_handler([](const Request&, Response& res, std::exception_ptr) { refuse(res, 500); });

        s.Get("/", [this](const Request& req, Response& res) { page(req, res); });
        s.Get("/api/state", [this](const Request&, Response& res) { answerJson(res, stateJson(station.snapshot())); });
        s.Get("/api/records", [this](const Request& req, Response& res) { records(req, res); });
        s.Get("/api/events", [this](const Request&, Response& res) { events(res); });
        s.Get(R"(/api/ports/\d{1,3}/(next|pause|resume)|/api/next|/api/stop)", [](const Request&, Response& res) {
            refuse(res, 405);
            res.set_header("Allow", "POST");
        });
        s.Post(".*", [this](const Request& req, Response& res) { post(req, res); });
    }
};

StationServer::StationServer(StationControl& station, StationServerOptions options)
    : impl_(std::make_unique<Impl>(station, std::move(options))) {}

StationServer::~StationServer() { stop(); }

StartResult StationServer::start() {
    std::lock_guard lock(impl_->lifecycle);
    Impl& d = *impl_;
    if (d.http) return StartResult::AlreadyRunning;
    d.token = d.options.token.empty() ? makeStationToken() : d.options.token;
    d.http = std::make_unique<BoundedHttpServer>(d.options.http);
    d.install();
    int port = d.options.port;
    if (port == 0) {
        port = d.http->bind_to_any_port(d.options.address);
    } else if (!d.http->bind_to_port(d.options.address, port)) {
        port = -1;
    }
    if (port <= 0) {
        d.http.reset();
        return StartResult::CannotListen;
    }
    d.boundPort = port;
    d.stopping = false;
    d.listenEnded = false;
    d.listener = std::thread([&d] {
        d.http->listen_after_bind();
        d.listenEnded = true;
    });
    return StartResult::Started;
}

void StationServer::stop() {
    std::lock_guard lock(impl_->lifecycle);
    Impl& d = *impl_;
    if (!d.http) return;
    d.stopping = true;
    // The listening loop marks itself running as it starts; a stop before
    // that would be lost.
    while (!d.http->is_running() && !d.listenEnded) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    d.http->stopServing();
    d.listener.join();
    d.http.reset();
}

bool StationServer::running() const {
    std::lock_guard lock(impl_->lifecycle);
    return impl_->http != nullptr && !impl_->listenEnded;
}

int StationServer::port() const { return impl_->boundPort; }

const std::string& StationServer::token() const { return impl_->token; }

std::string StationServer::address() const { return impl_->options.address; }

std::string StationServer::readOnlyUrl() const {
    return "http://" + urlHost(impl_->options.address) + ":" + std::to_string(impl_->boundPort) + "/";
}

std::string StationServer::pageUrl() const { return readOnlyUrl() + "#token=" + impl_->token; }

}  // namespace kq::station_view
