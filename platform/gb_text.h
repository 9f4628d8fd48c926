// Text conversion between UTF-8, the form of every text in memory, and
// GB18030, the form of the remembered files on disk (a superset of GBK that
// can also hold any other character a path may contain).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kq {

// GB18030 bytes of a UTF-8 text; nullopt when the text is not valid UTF-8.
std::optional<std::string> utf8ToGb18030(std::string_view utf8);
// UTF-8 text of GB18030 bytes; each byte that does not start a valid
// sequence becomes U+FFFD, so a damaged file still reads.
std::string gb18030ToUtf8(std::string_view gb);

}  // namespace kq
