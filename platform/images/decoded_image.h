// A decoded image as the texture loader consumes it: 32-bit texels
// 0xAARRGGBB, row 0 at the top, and whether the source carried alpha.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct DecodedImage {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;          // false: the fourth byte of every texel is 0
    std::vector<uint32_t> texels;   // width * height, rows top to bottom

    uint32_t at(int x, int y) const { return texels[size_t(y) * size_t(width) + size_t(x)]; }
};

// The result of a decode: an image, or why there is none.
struct DecodeResult {
    bool ok = false;
    DecodedImage image;
    std::string error;

    static DecodeResult failure(std::string why) {
        DecodeResult r;
        r.error = std::move(why);
        return r;
    }
};

// The largest image any reader accepts, so that a forged header cannot ask
// for a giant allocation: each side at most 16384 and at most 16M texels.
constexpr int kMaxImageSide = 16384;
constexpr int64_t kMaxImageTexels = int64_t(16) * 1024 * 1024;

inline bool imageSizeAcceptable(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImageTexels;
}

}  // namespace platform
