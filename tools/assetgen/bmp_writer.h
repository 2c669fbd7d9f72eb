// Encodes a picture as an uncompressed 24-bit bottom-up BMP
// (BITMAPFILEHEADER + BITMAPINFOHEADER, rows padded to 4 bytes).
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace assetgen {

std::vector<uint8_t> encode_bmp24(const Image& image);

}  // namespace assetgen
