// Where the station view listens, from "[ADDRESS:]PORT" as the station's
// --http option gives it: "8080" (127.0.0.1), "0.0.0.0:8080",
// "192.168.1.20:8080", "[::1]:8080", "localhost:8080". Port 0 lets the
// system choose a free port.
#pragma once

#include <string>
#include <string_view>

namespace kq::station_view {

inline constexpr const char* DefaultListenAddress = "127.0.0.1";

struct ListenAddress {
    std::string address = DefaultListenAddress;  // an IPv4 or IPv6 literal, or "localhost"
    int port = 0;
};

enum class ListenAddressError {
    None,
    Empty,
    BadPort,     // not a decimal number from 0 to 65535
    BadAddress,  // neither an IP literal nor localhost
};

struct ParsedListenAddress {
    ListenAddressError error = ListenAddressError::None;
    ListenAddress value;
};

ParsedListenAddress parseListenAddress(std::string_view text);

// The refusal in words, for the command line's message.
std::string_view listenAddressErrorText(ListenAddressError error);

// True for an IPv4 dotted quad (each part 0..255) or an IPv6 literal
// (without brackets).
bool isIpv4Literal(std::string_view text);
bool isIpv6Literal(std::string_view text);
// 0.0.0.0 or :: : every interface.
bool isWildcardAddress(std::string_view address);

// The address as a URL's host: IPv6 in brackets; a wildcard as the loopback
// address (the URL the station's own browser opens).
std::string urlHost(std::string_view address);

}  // namespace kq::station_view
