// JPEG files through libjpeg. They carry no alpha: texels get a fourth byte
// of 0, as 24-bit bitmaps do.
#pragma once

#include "decoded_image.h"

namespace platform {

DecodeResult decodeJpeg(const uint8_t* data, size_t size);

}  // namespace platform
