#include "upgrade/image_crc.h"

#include "link/link_frame.h"

namespace kq {

uint16_t imageCrc(const FirmwareImage& image) {
    return crc16(image.imageBytes.data(), static_cast<size_t>(image.paddedLength()));
}

}  // namespace kq
