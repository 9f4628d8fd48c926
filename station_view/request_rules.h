// The rules every request of the station view meets before it is served,
// as plain functions of header values (no HTTP library), so that they are
// tested on their own.
#pragma once

#include <string>
#include <string_view>

namespace kq::station_view {

// A browser tricked by DNS rebinding sends the attacker's host name in Host;
// only the names the server is really reached by pass: "localhost", the
// address it listens on, and, when it listens on every interface, any IP
// literal (an IP literal is never the result of a name lookup). The port
// must be the listening port (absent only when that is 80). Case does not
// matter; IPv6 literals come in brackets.
bool hostAllowed(std::string_view hostHeader, std::string_view listenAddress, int listenPort);

// The token a request carries: "X-Station-Token: T" or
// "Authorization: Bearer T" (the first that is present); "" when none.
std::string_view requestToken(std::string_view stationTokenHeader, std::string_view authorizationHeader);

// Compares in time that depends only on the lengths, so that the reply's
// timing tells nothing about how much of a guess was right.
bool tokensEqual(std::string_view given, std::string_view expected);

}  // namespace kq::station_view
