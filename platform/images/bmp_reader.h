// Our strict reader of Windows bitmap files: a 'BM' file header, an info
// header of 40 bytes or more (the extra fields of later versions are skipped),
// uncompressed 8-bit (palette), 24-bit and 32-bit pixels, bottom-up or
// top-down rows padded to 4 bytes. Everything else is refused with a reason.
#pragma once

#include "decoded_image.h"

namespace platform {

// 24-bit and 8-bit images get a fourth byte of 0 (so pure black is the texel
// value 0); 32-bit images keep their fourth byte as alpha.
DecodeResult decodeBmp(const uint8_t* data, size_t size);

}  // namespace platform
