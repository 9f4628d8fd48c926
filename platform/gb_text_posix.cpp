#include "platform/gb_text.h"

#include <iconv.h>

#include <cerrno>

namespace kq {
namespace {

constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// One iconv conversion descriptor, closed when it goes out of scope.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of input; a byte that cannot be converted is handed to
    // onBadByte, which returns false to give up.
    template <typename OnBadByte>
    bool convert(std::string_view input, std::string& out, OnBadByte onBadByte) {
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* to = buffer;
            size_t toLeft = sizeof buffer;
            const size_t rc = iconv(cd_, &in, &inLeft, &to, &toLeft);
            const int error = errno;
            out.append(buffer, sizeof buffer - toLeft);
            if (rc != static_cast<size_t>(-1)) break;
            if (error == E2BIG) continue;
            // EILSEQ or EINVAL: an invalid or truncated sequence at `in`.
            if (!onBadByte(out)) return false;
            ++in;
            --inLeft;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        }
        char* to = buffer;
        size_t toLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &to, &toLeft);
        out.append(buffer, sizeof buffer - toLeft);
        return true;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::optional<std::string> utf8ToGb18030(std::string_view utf8) {
    Converter converter("GB18030", "UTF-8");
    if (!converter.valid()) return std::nullopt;
    std::string out;
    if (!converter.convert(utf8, out, [](std::string&) { return false; })) return std::nullopt;
    return out;
}

std::string gb18030ToUtf8(std::string_view gb) {
    Converter converter("UTF-8", "GB18030");
    std::string out;
    if (!converter.valid()) return out;
    converter.convert(gb, out, [](std::string& text) {
        text.append(ReplacementCharacter);
        return true;
    });
    return out;
}

}  // namespace kq
