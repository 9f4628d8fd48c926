#include "station_view/listen_address.h"

#include <cctype>

namespace kq::station_view {

namespace {

bool isDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

bool isIpv4Literal(std::string_view text) {
    int parts = 0;
    size_t start = 0;
    while (true) {
        size_t dot = text.find('.', start);
        std::string_view part = text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (!isDigits(part) || part.size() > 3) return false;
        if (std::stoi(std::string(part)) > 255) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}

bool isIpv6Literal(std::string_view text) {
    // Hex groups, colons and (for an embedded IPv4 tail) dots; at least two
    // colons. Enough to tell a literal from a host name; the system checks
    // the rest when it binds.
    if (text.size() < 2 || text.size() > 45) return false;
    int colons = 0;
    for (char c : text) {
        if (c == ':') ++colons;
        else if (!std::isxdigit(static_cast<unsigned char>(c)) && c != '.') return false;
    }
    return colons >= 2;
}

bool isWildcardAddress(std::string_view address) {
    return address == "0.0.0.0" || address == "::" || address == "0:0:0:0:0:0:0:0";
}

std::string urlHost(std::string_view address) {
    if (address == "0.0.0.0") return "127.0.0.1";
    if (isWildcardAddress(address)) return "[::1]";
    if (isIpv6Literal(address)) return "[" + std::string(address) + "]";
    return std::string(address);
}

ParsedListenAddress parseListenAddress(std::string_view text) {
    ParsedListenAddress parsed;
    if (text.empty()) {
        parsed.error = ListenAddressError::Empty;
        return parsed;
    }
    std::string_view address;
    std::string_view port = text;
    if (text.front() == '[') {
        size_t close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            parsed.error = ListenAddressError::BadAddress;
            return parsed;
        }
        address = text.substr(1, close - 1);
        port = text.substr(close + 2);
        if (!isIpv6Literal(address)) {
            parsed.error = ListenAddressError::BadAddress;
            return parsed;
        }
    } else if (size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        address = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (!isIpv4Literal(address) && !equalsIgnoringCase(address, "localhost")) {
            parsed.error = ListenAddressError::BadAddress;
            return parsed;
        }
    }
    if (!isDigits(port) || port.size() > 5 || std::stoi(std::string(port)) > 65535) {
        parsed.error = ListenAddressError::BadPort;
        return parsed;
    }
    parsed.value.port = std::stoi(std::string(port));
    if (equalsIgnoringCase(address, "localhost"))
        parsed.value.address = "127.0.0.1";
    else if (!address.empty())
        parsed.value.address = std::string(address);
    return parsed;
}

std::string_view listenAddressErrorText(ListenAddressError error) {
    switch (error) {
    case ListenAddressError::None: return "";
    case ListenAddressError::Empty: return "no port given";
    case ListenAddressError::BadPort: return "the port is not a number from 0 to 65535";
    case ListenAddressError::BadAddress: return "the address is neither an IP address nor localhost";
    }
    return "";
}

}  // namespace kq::station_view
