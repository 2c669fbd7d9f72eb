// Fuzzes image files the way the game loads them: by file name through the
// texture loader, which picks the reader (BMP, PNG or JPEG) by the file's
// first bytes and builds a texture with its whole mip chain on the device.
#include "fuzz_support.h"
#include "fuzz_target.h"

#include "assetgen/bmp_writer.h"
#include "assetgen/mesh_textures.h"
#include "assetgen/sprite_images.h"
#include "d3dx8_api.h"
#include "image_file.h"

#include <png.h>
// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <jpeglib.h>

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IDirect3DDevice8* device = fuzzsupport::device();
    if (!device) std::abort();
    const std::string path = fuzzsupport::scratchFile(data, size, ".bmp");
    IDirect3DTexture8* texture = nullptr;
    const HRESULT hr = D3DXCreateTextureFromFileA(device, path.c_str(), &texture);
    if (SUCCEEDED(hr) != (texture != nullptr)) std::abort();  // a result that says the opposite
    if (!texture) return 0;
    // The texture is the decoded image's size, its chain running down to 1x1.
    const platform::DecodeResult decoded = platform::decodeImage(data, size);
    D3DSURFACE_DESC top{}, last{};
    const DWORD levels = texture->GetLevelCount();
    if (!decoded.ok || levels == 0 || FAILED(texture->GetLevelDesc(0, &top)) ||
        FAILED(texture->GetLevelDesc(levels - 1, &last)))
        std::abort();
    if (int(top.Width) != decoded.image.width || int(top.Height) != decoded.image.height ||
        last.Width != 1 || last.Height != 1)
        std::abort();
    texture->Release();
    return 0;
}

namespace {

struct Pixels {
    int width, height;
    std::vector<uint8_t> rgb;  // 3 bytes a pixel, rows top to bottom
};

Pixels pixelsOf(const assetgen::Image& image) {
    Pixels out{image.width(), image.height(), {}};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const assetgen::Rgb c = image.get(x, y);
            out.rgb.insert(out.rgb.end(), {c.r, c.g, c.b});
        }
    return out;
}

std::string encodePng(const Pixels& pixels, uint32_t format) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = uint32_t(pixels.width);
    png.height = uint32_t(pixels.height);
    png.format = format;
    std::vector<uint8_t> samples;
    for (size_t i = 0; i < pixels.rgb.size(); i += 3) {
        const uint8_t r = pixels.rgb[i], g = pixels.rgb[i + 1], b = pixels.rgb[i + 2];
        if (format & PNG_FORMAT_FLAG_COLOR)
            samples.insert(samples.end(), {r, g, b});
        else
            samples.push_back(uint8_t((r + g + b) / 3));
        if (format & PNG_FORMAT_FLAG_ALPHA) samples.push_back(uint8_t(r ^ b));
    }
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, samples.data(), 0, nullptr)) return {};
    std::string out(size, '\0');
    if (!png_image_write_to_memory(&png, out.data(), &size, 0, samples.data(), 0, nullptr)) return {};
    out.resize(size);
    return out;
}

std::string encodeJpeg(const Pixels& pixels, bool grey, bool progressive) {
    jpeg_compress_struct jpeg;
    jpeg_error_mgr errors;
    jpeg.err = jpeg_std_error(&errors);
    jpeg_create_compress(&jpeg);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&jpeg, &buffer, &size);
    jpeg.image_width = JDIMENSION(pixels.width);
    jpeg.image_height = JDIMENSION(pixels.height);
    jpeg.input_components = grey ? 1 : 3;
    jpeg.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&jpeg);
    jpeg_set_quality(&jpeg, 80, TRUE);
    if (progressive) jpeg_simple_progression(&jpeg);
    jpeg_start_compress(&jpeg, TRUE);
    std::vector<uint8_t> row;
    while (jpeg.next_scanline < jpeg.image_height) {
        const uint8_t* source = pixels.rgb.data() + size_t(jpeg.next_scanline) * pixels.width * 3;
        row.clear();
        for (int x = 0; x < pixels.width; ++x) {
            if (grey)
                row.push_back(uint8_t((source[3 * x] + source[3 * x + 1] + source[3 * x + 2]) / 3));
            else
                row.insert(row.end(), source + 3 * x, source + 3 * x + 3);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&jpeg, rows, 1);
    }
    jpeg_finish_compress(&jpeg);
    std::string out(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&jpeg);
    std::free(buffer);
    return out;
}

}  // namespace

std::vector<std::string> fuzzSeeds() {
    using fuzzsupport::cut;
    using fuzzsupport::poke;
    // The game's own small pictures, as the generator makes them.
    const assetgen::Image cursor = assetgen::make_cursor();
    const assetgen::Image stars = assetgen::make_star_sheet();
    const assetgen::Image blaster = assetgen::make_blaster_texture();
    const Pixels cursorPixels = pixelsOf(cursor), starPixels = pixelsOf(stars);
    const std::string bmp = fuzzsupport::text(assetgen::encode_bmp24(cursor));
    const std::string png = encodePng(starPixels, PNG_FORMAT_RGBA);
    const std::string jpeg = encodeJpeg(cursorPixels, false, false);
    return {
        bmp,
        fuzzsupport::text(assetgen::encode_bmp24(blaster)),
        png,
        encodePng(cursorPixels, PNG_FORMAT_RGB),
        encodePng(starPixels, PNG_FORMAT_GRAY),
        encodePng(cursorPixels, PNG_FORMAT_GA),
        jpeg,
        encodeJpeg(starPixels, true, false),
        encodeJpeg(cursorPixels, false, true),
        // Near misses: each kind cut short, and a header field changed.
        cut(bmp, bmp.size() / 2),
        cut(png, png.size() - 20),
        cut(jpeg, jpeg.size() / 2),
        poke(bmp, 18, 0xFF),   // width
        poke(png, 16, 0x7F),   // width, high byte
        poke(jpeg, 3, 0xC2),   // a marker of another kind
    };
}
