// PNG and JPEG through their libraries, the choice of reader by content, and
// damaged files of each kind.
#include "image_file.h"

#include "test_env.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include <jpeglib.h>

namespace {

using platform::decodeImage;

std::string encodePng(int width, int height, const std::vector<uint32_t>& texels, bool alpha) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = width;
    png.height = height;
    png.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    std::vector<uint8_t> pixels;
    for (uint32_t t : texels) {
        pixels.push_back(uint8_t(t));
        pixels.push_back(uint8_t(t >> 8));
        pixels.push_back(uint8_t(t >> 16));
        if (alpha) pixels.push_back(uint8_t(t >> 24));
    }
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&png, nullptr, &size, 0, pixels.data(), 0, nullptr);
    std::string out(size, '\0');
    EXPECT_TRUE(png_image_write_to_memory(&png, out.data(), &size, 0, pixels.data(), 0, nullptr));
    out.resize(size);
    return out;
}

std::string encodeJpeg(int width, int height, uint32_t colour) {
    jpeg_compress_struct jpeg;
    jpeg_error_mgr errors;
    jpeg.err = jpeg_std_error(&errors);
    jpeg_create_compress(&jpeg);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&jpeg, &buffer, &size);
    jpeg.image_width = width;
    jpeg.image_height = height;
    jpeg.input_components = 3;
    jpeg.in_color_space = JCS_RGB;
    jpeg_set_defaults(&jpeg);
    jpeg_set_quality(&jpeg, 95, TRUE);
    jpeg_start_compress(&jpeg, TRUE);
    std::vector<uint8_t> row;
    for (int x = 0; x < width; ++x) {
        row.push_back(uint8_t(colour >> 16));
        row.push_back(uint8_t(colour >> 8));
        row.push_back(uint8_t(colour));
    }
    while (jpeg.next_scanline < jpeg.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&jpeg, rows, 1);
    }
    jpeg_finish_compress(&jpeg);
    std::string out(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&jpeg);
    std::free(buffer);
    return out;
}

platform::DecodeResult decode(const std::string& bytes) {
    return decodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

const std::vector<uint32_t> kTexels = {0xFF102030, 0x80FFFFFF, 0x00000000, 0xFF00FF00};

TEST(ImageCodecs, PngKeepsAlphaOnlyWhenTheFileHasIt) {
    const auto withAlpha = decode(encodePng(2, 2, kTexels, true));
    ASSERT_TRUE(withAlpha.ok) << withAlpha.error;
    EXPECT_TRUE(withAlpha.image.hasAlpha);
    EXPECT_EQ(withAlpha.image.texels, kTexels);

    const auto opaque = decode(encodePng(2, 2, kTexels, false));
    ASSERT_TRUE(opaque.ok) << opaque.error;
    EXPECT_FALSE(opaque.image.hasAlpha);
    EXPECT_EQ(opaque.image.at(0, 0), 0x00102030u);
    EXPECT_EQ(opaque.image.at(0, 1), 0x00000000u) << "black without alpha is the value 0";
}

TEST(ImageCodecs, JpegDecodesWithAZeroFourthByte) {
    const auto result = decode(encodeJpeg(16, 8, 0xC08040));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.image.width, 16);
    EXPECT_EQ(result.image.height, 8);
    EXPECT_FALSE(result.image.hasAlpha);
    const uint32_t texel = result.image.at(5, 5);
    EXPECT_EQ(texel >> 24, 0u);
    EXPECT_NEAR(int((texel >> 16) & 0xFF), 0xC0, 3);
    EXPECT_NEAR(int((texel >> 8) & 0xFF), 0x80, 3);
    EXPECT_NEAR(int(texel & 0xFF), 0x40, 3);
}

TEST(ImageCodecs, DamagedFilesOfEveryKindFail) {
    const std::string png = encodePng(2, 2, kTexels, true);
    const std::string jpeg = encodeJpeg(16, 16, 0x808080);
    std::string badCrc = png;
    badCrc[20] ^= 0x55;  // inside the header chunk, so its checksum fails
    std::string giantPng = png;
    giantPng[16] = 0x7F;  // the width's top byte: far beyond any accepted size
    std::string jpegNoData = jpeg.substr(0, 20);
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"unknown kind", "GIF89a...."},
        {"PNG signature only", png.substr(0, 8)},
        {"PNG cut in half", png.substr(0, png.size() / 2)},
        {"PNG with a bad checksum", badCrc},
        {"PNG claiming a giant size", giantPng},
        {"JPEG marker only", jpeg.substr(0, 3)},
        {"JPEG header only", jpegNoData},
        {"JPEG cut in half", jpeg.substr(0, jpeg.size() / 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> exact(c.bytes.begin(), c.bytes.end());
        const auto result = decodeImage(exact.data(), exact.size());
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.empty());
    }
}

TEST(ImageCodecs, FilesAreFoundThroughThePathMapping) {
    const std::string path = testenv::outputPath("Image_Mapping.png");
    std::ofstream(path, std::ios::binary) << encodePng(2, 2, kTexels, true);
    const std::string folder = path.substr(0, path.rfind('/'));
    // Backslashes and another case still find the file.
    const std::string asWritten = folder + "\\image_MAPPING.PNG";
    const auto result = platform::loadImageFile(asWritten.c_str());
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.image.texels, kTexels);
    EXPECT_FALSE(platform::loadImageFile((folder + "/missing.bmp").c_str()).ok);
}

}  // namespace
