#include "e2e/hex_reference.h"

#include <cstdio>

#include "image/hex_image.h"

namespace kq::testing {

namespace {

constexpr uint8_t Erased = 0xFF;  // value of an erased flash byte

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

std::string byteDifference(uint32_t index, const char* what, uint8_t expected, uint8_t actual) {
    return "dump byte " + hex(index) + " (" + what + ") is " + hex(actual) + ", expected " + hex(expected);
}

}  // namespace

std::unique_ptr<FirmwareImage> referenceImage(const std::string& hexPath, int chipFamily, int bootloadType,
                                              uint32_t userOffset, int upgradeAreaKiB, std::string* message) {
    auto image = std::make_unique<FirmwareImage>();
    char offsetText[16];
    std::snprintf(offsetText, sizeof offsetText, "%X", userOffset);
    const HexLoadInputs inputs{hexPath, offsetText, chipFamily, bootloadType, upgradeAreaKiB};
    std::string told;
    if (loadHexImage(inputs, *image, [&](std::string_view text) { told = text; }) != 0) {
        if (message != nullptr) *message = told;
        return nullptr;
    }
    return image;
}

std::string compareFlash(const std::vector<uint8_t>& dump, const std::vector<uint8_t>& before,
                         const FirmwareImage& image, const std::vector<ImagePlacement>& placements,
                         const std::vector<KeptRange>& kept) {
    if (dump.size() != before.size()) {
        return "dump holds " + std::to_string(dump.size()) + " bytes, expected " + std::to_string(before.size());
    }
    const auto padded = static_cast<uint32_t>(image.paddedLength());
    for (uint32_t i = 0; i < dump.size(); ++i) {
        bool checked = false;
        for (const ImagePlacement& place : placements) {
            if (i >= place.dumpOffset && i - place.dumpOffset < padded) {
                const uint8_t expected = image.imageBytes[i - place.dumpOffset];
                if (dump[i] != expected) return byteDifference(i, "image", expected, dump[i]);
                checked = true;
                break;
            }
        }
        if (checked) continue;
        for (const KeptRange& range : kept) {
            if (i >= range.begin && i < range.end) {
                if (dump[i] != before[i]) return byteDifference(i, "kept", before[i], dump[i]);
                checked = true;
                break;
            }
        }
        if (!checked && dump[i] != Erased) return byteDifference(i, "erased", Erased, dump[i]);
    }
    return "";
}

}  // namespace kq::testing
