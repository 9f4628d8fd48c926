// What the module's flash must hold after an upgrade with a HEX file: the
// image as the core's loader reads it, and a comparison of a flash dump with
// it that names the first byte that differs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/firmware_image.h"

namespace kq::testing {

// The image of a HEX file for the chip family and bootload type; nothing when
// the loader refuses it (the reason goes to message).
std::unique_ptr<FirmwareImage> referenceImage(const std::string& hexPath, int chipFamily, int bootloadType,
                                              uint32_t userOffset, int upgradeAreaKiB, std::string* message = nullptr);

// A range of the dump that must equal the padded image (whole sectors).
struct ImagePlacement {
    uint32_t dumpOffset;  // index in the dump of image byte 0
};

// A range of the dump that must keep what it held before the run.
struct KeptRange {
    uint32_t begin;  // dump index of the first byte
    uint32_t end;    // one past the last
};

// Checks every byte of the dump: the placements hold the padded image, the
// kept ranges equal before, and every other byte is erased (0xFF). Returns ""
// when all hold, else a description of the first byte that does not.
std::string compareFlash(const std::vector<uint8_t>& dump, const std::vector<uint8_t>& before,
                         const FirmwareImage& image, const std::vector<ImagePlacement>& placements,
                         const std::vector<KeptRange>& kept);

}  // namespace kq::testing
