#include "png_reader.h"

#include <png.h>

#include <cstring>

namespace platform {

DecodeResult decodePng(const uint8_t* data, size_t size) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size))
        return DecodeResult::failure(std::string("bad PNG: ") + png.message);
    if (!imageSizeAcceptable(png.width, png.height)) {
        png_image_free(&png);
        return DecodeResult::failure("PNG image too large");
    }
    const bool hasAlpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB

    DecodeResult result;
    DecodedImage& image = result.image;
    image.width = int(png.width);
    image.height = int(png.height);
    image.hasAlpha = hasAlpha;
    image.texels.resize(size_t(png.width) * png.height);
    if (!png_image_finish_read(&png, nullptr, image.texels.data(), int(png.width) * 4, nullptr)) {
        const std::string why = png.message;
        png_image_free(&png);
        return DecodeResult::failure("bad PNG: " + why);
    }
    if (!hasAlpha)
        for (uint32_t& texel : image.texels) texel &= 0x00FFFFFFu;
    result.ok = true;
    return result;
}

}  // namespace platform
