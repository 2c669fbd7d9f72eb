// PNG files through libpng. Images without an alpha channel get a fourth
// byte of 0, as bitmaps do.
#pragma once

#include "decoded_image.h"

namespace platform {

DecodeResult decodePng(const uint8_t* data, size_t size);

}  // namespace platform
