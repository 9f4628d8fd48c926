// The page's language, chosen by the server from the browser's
// Accept-Language: Chinese unless English is preferred.
#pragma once

#include <string_view>

namespace kq::station_view {

enum class PageLanguage { Chinese, English };

// Walks the header's ranges ("en-GB,en;q=0.9,zh;q=0.8"): the Chinese or
// English range of the highest q-value wins, the earlier one on a tie; a
// range with q=0 is refused. Anything else (none of the two, "*", a
// malformed header) gives Chinese.
PageLanguage chooseLanguage(std::string_view acceptLanguage);

// The value of <html lang>, and of Content-Language.
std::string_view languageTag(PageLanguage language);

}  // namespace kq::station_view
