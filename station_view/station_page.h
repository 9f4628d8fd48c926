// The station page: one HTML document with its style and script inline
// (station_page.html, compiled into the program), filled in per request
// with the language's texts, the CSP nonce and the state at that moment,
// so that the first paint already shows the ports.
#pragma once

#include "station_view/page_language.h"

#include <string>
#include <string_view>

namespace kq::station_view {

// station_page.html as it was at build time.
std::string_view stationPageTemplate();

// Replaces {{lang}}, {{nonce}}, {{texts}} (the texts as JSON), {{state}}
// (stateJson, made safe for a script element) and {{KEY}} (the text of KEY,
// HTML-escaped). An unknown {{...}} is left out.
std::string renderStationPage(std::string_view pageTemplate, PageLanguage language, std::string_view nonce,
                              std::string_view stateJson);

// The Content-Security-Policy of the page: nothing but its own inline
// script and style (by nonce) and connections to its own origin.
std::string pageContentSecurityPolicy(std::string_view nonce);

}  // namespace kq::station_view
