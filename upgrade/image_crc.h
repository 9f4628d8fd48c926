// The CRC-16 of an image as the module computes it over its flash: over the
// whole sectors the run writes (the fill bytes of the last sector included).
#pragma once

#include <cstdint>

#include "image/firmware_image.h"

namespace kq {

uint16_t imageCrc(const FirmwareImage& image);

}  // namespace kq
