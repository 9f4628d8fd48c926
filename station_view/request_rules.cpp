#include "station_view/request_rules.h"

#include "station_view/listen_address.h"

#include <cctype>

namespace kq::station_view {

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

bool hostAllowed(std::string_view hostHeader, std::string_view listenAddress, int listenPort) {
    std::string host = lowered(hostHeader);
    std::string name;
    std::string port;
    bool bracketed = false;
    if (!host.empty() && host.front() == '[') {
        size_t close = host.find(']');
        if (close == std::string::npos) return false;
        name = host.substr(1, close - 1);
        bracketed = true;
        std::string rest = host.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return false;
            port = rest.substr(1);
        }
        if (!isIpv6Literal(name)) return false;
    } else {
        size_t colon = host.find(':');
        name = host.substr(0, colon);
        if (colon != std::string::npos) {
            port = host.substr(colon + 1);
            if (port.empty()) return false;
        }
    }
    if (name.empty()) return false;
    if (port.empty()) {
        if (listenPort != 80) return false;
    } else if (port != std::to_string(listenPort)) {
        return false;
    }
    std::string listening = lowered(listenAddress);
    if (name == "localhost" || name == listening) return true;
    if (isWildcardAddress(listening)) return bracketed ? true : isIpv4Literal(name);
    return false;
}

std::string_view requestToken(std::string_view stationTokenHeader, std::string_view authorizationHeader) {
    if (!stationTokenHeader.empty()) return stationTokenHeader;
    constexpr std::string_view Bearer = "Bearer ";
    if (authorizationHeader.size() > Bearer.size()) {
        bool matches = true;
        for (size_t i = 0; i < Bearer.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(authorizationHeader[i])) !=
                std::tolower(static_cast<unsigned char>(Bearer[i])))
                matches = false;
        if (matches) return authorizationHeader.substr(Bearer.size());
    }
    return {};
}

bool tokensEqual(std::string_view given, std::string_view expected) {
    if (expected.empty()) return false;
    unsigned difference = given.size() == expected.size() ? 0u : 1u;
    for (size_t i = 0; i < expected.size(); ++i) {
        unsigned char g = i < given.size() ? static_cast<unsigned char>(given[i]) : 0u;
        difference |= g ^ static_cast<unsigned char>(expected[i]);
    }
    return difference == 0;
}

}  // namespace kq::station_view
