#include "station_view/page_language.h"

#include <cctype>
#include <string>

namespace kq::station_view {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The q-value in thousandths (RFC 9110: "0", "1", or up to three decimals);
// -1 when malformed.
int qValue(std::string_view parameters) {
    // parameters: what follows the range, e.g. ";q=0.8" or "; q=1"
    size_t at = 0;
    while (at < parameters.size()) {
        size_t semicolon = parameters.find(';', at);
        std::string_view parameter = trimmed(parameters.substr(at, semicolon - at));
        at = semicolon == std::string_view::npos ? parameters.size() : semicolon + 1;
        if (parameter.size() < 2 || (parameter[0] != 'q' && parameter[0] != 'Q') || parameter[1] != '=') continue;
        std::string_view value = parameter.substr(2);
        if (value.empty() || (value[0] != '0' && value[0] != '1')) return -1;
        int whole = value[0] - '0';
        int thousandths = 0;
        if (value.size() > 1) {
            if (value[1] != '.' || value.size() > 5) return -1;
            int scale = 100;
            for (char c : value.substr(2)) {
                if (c < '0' || c > '9') return -1;
                thousandths += (c - '0') * scale;
                scale /= 10;
            }
        }
        int q = whole * 1000 + thousandths;
        return q > 1000 ? -1 : q;
    }
    return 1000;
}

std::string primarySubtag(std::string_view range) {
    std::string tag;
    for (char c : range) {
        if (c == '-' || c == '_') break;
        tag += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return tag;
}

}  // namespace

PageLanguage chooseLanguage(std::string_view acceptLanguage) {
    if (acceptLanguage.size() > 1024) return PageLanguage::Chinese;
    PageLanguage best = PageLanguage::Chinese;
    int bestQ = 0;
    size_t at = 0;
    while (at < acceptLanguage.size()) {
        size_t comma = acceptLanguage.find(',', at);
        std::string_view item = acceptLanguage.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at);
        at = comma == std::string_view::npos ? acceptLanguage.size() : comma + 1;
        size_t semicolon = item.find(';');
        std::string_view range = trimmed(item.substr(0, semicolon));
        int q = semicolon == std::string_view::npos ? 1000 : qValue(item.substr(semicolon));
        if (q <= 0) continue;
        std::string primary = primarySubtag(range);
        if (primary != "zh" && primary != "en") continue;
        if (q > bestQ) {
            bestQ = q;
            best = primary == "en" ? PageLanguage::English : PageLanguage::Chinese;
        }
    }
    return best;
}

std::string_view languageTag(PageLanguage language) {
    return language == PageLanguage::English ? "en" : "zh-CN";
}

}  // namespace kq::station_view
