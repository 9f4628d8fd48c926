// Every word the station page shows, in Chinese and in English, by key. The
// page's template names them as {{key}}; its script gets all of them as
// JSON (texts.KEY).
#pragma once

#include "station_view/page_language.h"

#include <span>
#include <string>
#include <string_view>

namespace kq::station_view {

struct PageText {
    std::string_view key;
    std::string_view chinese;
    std::string_view english;
};

std::span<const PageText> pageTexts();

// The text of key in language; "" for an unknown key.
std::string_view pageText(std::string_view key, PageLanguage language);

// {"key": "text", ...} for the page's script.
std::string pageTextsJson(PageLanguage language);

}  // namespace kq::station_view
