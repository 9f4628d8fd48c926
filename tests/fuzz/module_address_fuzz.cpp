// Module address texts: the check and the encoding on arbitrary text.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "link/link_frame.h"
#include "link/module_address.h"

namespace {

constexpr size_t AddressDigits = 12;  // characters of a full address text

std::string padded(std::string_view text) {
    if (text.size() >= AddressDigits) return std::string(text.substr(text.size() - AddressDigits));
    return std::string(AddressDigits - text.size(), '0') + std::string(text);
}

bool isBcd(uint8_t b) { return (b >> 4) <= 9 && (b & 0xF) <= 9; }

// The text of an address as the user would type it: last byte first, the
// wildcard as "AA".
std::string addressText(const kq::ModuleAddress& address) {
    std::string text;
    for (int k = 5; k >= 0; --k) {
        const uint8_t b = address[static_cast<size_t>(k)];
        if (b == kq::WildcardByte) {
            text += "AA";
        } else {
            text += static_cast<char>('0' + (b >> 4));
            text += static_cast<char>('0' + (b & 0xF));
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kq::ModuleAddress address = kq::encodeModuleAddress(text);
    const bool valid = kq::isValidModuleAddress(text);

    // Short texts read as if padded with '0' on the left; long ones by their last 12 characters.
    FUZZ_CHECK(address == kq::encodeModuleAddress(padded(text)));
    if (text.size() < AddressDigits) FUZZ_CHECK(valid == kq::isValidModuleAddress(padded(text)));
    if (text.size() > AddressDigits) FUZZ_CHECK(!valid);

    if (valid) {
        // A valid address holds BCD pairs and wildcards only, and says the same text again.
        for (uint8_t b : address) FUZZ_CHECK(b == kq::WildcardByte || isBcd(b));
        std::string upper = padded(text);
        for (char& ch : upper)
            if (ch == 'a') ch = 'A';
        FUZZ_CHECK(addressText(address) == upper);
        FUZZ_CHECK(kq::isValidModuleAddress(addressText(address)));

        // A reply from this module (wildcards filled in by anything) passes
        // the reply check against the address.
        kq::ModuleAddress sender = address;
        for (size_t k = 0; k < sender.size(); ++k)
            if (sender[k] == kq::WildcardByte) sender[k] = static_cast<uint8_t>(size + k);
        uint8_t frame[kq::FrameBufferBytes];
        const int n = kq::buildModuleFrame(frame, 0x1600 | kq::ReplyBit, sender, nullptr, 0);
        uint8_t payload[kq::MaxReplyPayload];
        int length = -1;
        FUZZ_CHECK(kq::validateModuleFrame(0x1600, address, frame, n, payload, length) == 0 && length == 0);
    }

    // Two decimal digits survive the BCD packing.
    if (size >= 1) {
        const int n = data[0] % 100;
        const uint8_t b = kq::toBcd(n);
        FUZZ_CHECK(isBcd(b) && (b >> 4) * 10 + (b & 0xF) == n);
    }
    return 0;
}
