// Writes Windows bitmap files in the forms the reader accepts; used to make
// test images and fuzzing seeds in code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct BmpWriteOptions {
    int bits = 24;         // 8 (a palette of the distinct colours, at most 256), 24 or 32
    bool topDown = false;  // rows stored top first (a negative height)
};

// texels are 0xAARRGGBB, row 0 at the top; the bytes of a complete file.
std::string encodeBmp(int width, int height, const std::vector<uint32_t>& texels,
                      const BmpWriteOptions& options = {});

}  // namespace platform
