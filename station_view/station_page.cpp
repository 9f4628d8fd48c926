#include "station_view/station_page.h"

#include "station_view/page_texts.h"
#include "station_view/state_json.h"

namespace kq::station_view {

namespace {

void appendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
}

}  // namespace

std::string renderStationPage(std::string_view pageTemplate, PageLanguage language, std::string_view nonce,
                              std::string_view stateJson) {
    std::string out;
    out.reserve(pageTemplate.size() + stateJson.size() + 4096);
    size_t at = 0;
    while (at < pageTemplate.size()) {
        size_t open = pageTemplate.find("{{", at);
        if (open == std::string_view::npos) {
            out.append(pageTemplate.substr(at));
            break;
        }
        size_t close = pageTemplate.find("}}", open + 2);
        if (close == std::string_view::npos) {
            out.append(pageTemplate.substr(at));
            break;
        }
        out.append(pageTemplate.substr(at, open - at));
        std::string_view name = pageTemplate.substr(open + 2, close - open - 2);
        if (name == "lang")
            out.append(languageTag(language));
        else if (name == "nonce")
            out.append(nonce);
        else if (name == "texts")
            out.append(jsonForScriptElement(pageTextsJson(language)));
        else if (name == "state")
            out.append(jsonForScriptElement(stateJson));
        else
            appendEscaped(out, pageText(name, language));
        at = close + 2;
    }
    return out;
}

std::string pageContentSecurityPolicy(std::string_view nonce) {
    std::string n(nonce);
    return "default-src 'none'; script-src 'nonce-" + n + "'; style-src 'nonce-" + n +
           "'; connect-src 'self'; img-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
}

}  // namespace kq::station_view
