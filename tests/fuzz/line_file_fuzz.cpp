// The remembered-value line files: arbitrary bytes through the reader, and
// values written by the writer (or by hand, with CR LF or LF line ends) read
// back.
//
// Input: a mode byte, an extra-count byte, then the file bytes (mode bit 0
// clear) or the values separated by NUL bytes (set).
#include <cstdint>
#include <string>
#include <vector>

#include "formats/line_file.h"
#include "fuzz/fuzz_check.h"
#include "platform/gb_text.h"

namespace {

using Values = std::vector<std::string>;

std::string withoutTrailingCrs(std::string text, int most) {
    for (int i = 0; i < most && !text.empty() && text.back() == '\r'; ++i) text.pop_back();
    return text;
}

// The GB18030 bytes of values, each followed by lineEnd, as a hand-written file.
std::string handWritten(const Values& values, std::string_view lineEnd) {
    std::string bytes;
    for (const std::string& value : values) {
        const auto encoded = kq::utf8ToGb18030(value);
        FUZZ_CHECK(encoded.has_value());
        bytes += *encoded;
        bytes += lineEnd;
    }
    return bytes;
}

void checkRead(const std::string& bytes, const Values& expected, size_t extra) {
    Values padded = expected;
    padded.resize(expected.size() + extra);
    FUZZ_CHECK(kq::decodeLineFile(bytes, padded.size()) == padded);
    // Asking for fewer values gives the first ones.
    if (!expected.empty()) {
        const Values fewer(padded.begin(), padded.begin() + static_cast<std::ptrdiff_t>(expected.size() - 1));
        FUZZ_CHECK(kq::decodeLineFile(bytes, fewer.size()) == fewer);
    }
}

void checkValues(const Values& values, size_t extra) {
    bool writable = true;
    for (const std::string& value : values)
        writable = writable && value.find('\n') == std::string::npos && kq::fuzz::isUtf8(value);
    const auto bytes = kq::encodeLineFile(values);
    FUZZ_CHECK(bytes.has_value() == writable);
    if (!bytes) return;

    // Our own files read back unchanged.
    checkRead(*bytes, values, extra);

    // A file written by hand loses at most the CRs a value ended in: one
    // with CR LF line ends, two with LF.
    Values lostCr, lostTwoCrs;
    for (const std::string& value : values) {
        lostCr.push_back(withoutTrailingCrs(value, 1));
        lostTwoCrs.push_back(withoutTrailingCrs(value, 2));
    }
    checkRead(handWritten(values, "\r\n"), lostCr, extra);
    checkRead(handWritten(values, "\n"), lostTwoCrs, extra);
}

void checkAnyBytes(std::string_view bytes, size_t count) {
    const Values values = kq::decodeLineFile(bytes, count);
    FUZZ_CHECK(values.size() == count);
    for (const std::string& value : values) {
        FUZZ_CHECK(kq::fuzz::isUtf8(value));
        FUZZ_CHECK(value.find('\n') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kq::fuzz::InputReader in(data, size);
    const uint8_t mode = in.byte();
    const size_t extra = in.byte() % 4;
    const std::string_view rest = in.rest();
    if (!(mode & 1)) {
        checkAnyBytes(rest, extra + (mode >> 1 & 7));
        return 0;
    }
    Values values;
    for (size_t start = 0;;) {
        const size_t end = rest.find('\0', start);
        values.emplace_back(rest.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    checkValues(values, extra);
    return 0;
}
