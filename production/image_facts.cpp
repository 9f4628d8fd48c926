#include "production/image_facts.h"

#include <algorithm>
#include <cstdio>

#include "formats/sha256.h"
#include "platform/file_time.h"
#include "platform/whole_file.h"
#include "upgrade/image_crc.h"

namespace kq::production {

std::optional<HexFileFacts> hexFileFactsOf(const std::string& path) {
    const WholeFile file = readWholeFile(path, MaxHashedFileBytes);
    if (file.status != WholeFile::Read) return std::nullopt;
    HexFileFacts facts;
    facts.size = file.bytes.size();
    facts.sha256 = sha256Hex(file.bytes);
    if (const std::optional<std::string> modified = modifiedTimeText(path)) {
        facts.modified = modified->substr(std::min(modified->size(), ModifiedTimePrefix.size()));
    }
    return facts;
}

ImageFacts imageFactsOf(const FirmwareImage& image, const UpgradeSettings& settings) {
    ImageFacts facts;
    facts.length = image.imageLength;
    facts.sectors = image.sectorCount();
    facts.crc = imageCrc(image);
    facts.firstAddress = parseHexText(settings.userOffsetHex);
    facts.flashBase = flashAddressBase(settings.chipFamily);
    return facts;
}

std::string crc16Text(uint16_t crc) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", crc);
    return text;
}

std::string hexText(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

std::string addressRangeText(const ImageFacts& image) {
    const uint32_t first = image.firstAddress;
    const uint32_t last = first + static_cast<uint32_t>(image.length) - 1;
    std::string text = hexText(first) + "-" + hexText(last);
    const uint32_t flashFirst = first + image.flashBase;
    const uint32_t flashLast = flashFirst + static_cast<uint32_t>(image.sectors) * SectorSize - 1;
    if (flashFirst != first || flashLast != last) {
        text += " (flash " + hexText(flashFirst) + "-" + hexText(flashLast) + ")";
    }
    return text;
}

}  // namespace kq::production
