#include "bmp_reader.h"

#include <cstring>

namespace platform {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kLargestInfoHeader = 124;  // the fifth version of the header
constexpr uint32_t kRgb = 0;
constexpr uint32_t kBitFields = 3;

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t u32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
           (uint32_t(p[3]) << 24);
}
int32_t s32(const uint8_t* p) {
    const uint32_t v = u32(p);
    int32_t out;
    std::memcpy(&out, &v, sizeof out);
    return out;
}

struct BmpLayout {
    int64_t width = 0;
    int64_t height = 0;  // always positive here
    bool topDown = false;
    int bits = 0;
    uint64_t pixelOffset = 0;
    uint64_t rowStride = 0;
    const uint8_t* palette = nullptr;
    uint32_t paletteSize = 0;
};

// Bit fields are accepted only when they describe the usual B, G, R(, A) byte
// order, which is what a plain 32-bit file holds anyway.
bool standardMasks(const uint8_t* masks) {
    return u32(masks) == 0x00FF0000u && u32(masks + 4) == 0x0000FF00u &&
           u32(masks + 8) == 0x000000FFu;
}

const char* readLayout(const uint8_t* data, size_t size, BmpLayout& out) {
    if (size < kFileHeaderSize + kInfoHeaderSize) return "file shorter than its headers";
    if (data[0] != 'B' || data[1] != 'M') return "not a bitmap file (no 'BM')";
    const uint32_t offBits = u32(data + 10);
    const uint8_t* info = data + kFileHeaderSize;
    const uint32_t infoSize = u32(info);
    if (infoSize < kInfoHeaderSize || infoSize > kLargestInfoHeader)
        return "unsupported info header size";
    if (kFileHeaderSize + infoSize > size) return "info header runs past the end of the file";

    const int32_t width = s32(info + 4);
    const int32_t height = s32(info + 8);
    const uint16_t planes = u16(info + 12);
    const uint16_t bits = u16(info + 14);
    const uint32_t compression = u32(info + 16);
    const uint32_t coloursUsed = u32(info + 32);

    if (planes != 1) return "plane count is not 1";
    if (bits != 8 && bits != 24 && bits != 32) return "unsupported bit depth";
    if (width <= 0 || height == 0 || height == INT32_MIN) return "bad image size";
    out.width = width;
    out.height = height < 0 ? -int64_t(height) : int64_t(height);
    out.topDown = height < 0;
    out.bits = bits;
    if (!imageSizeAcceptable(out.width, out.height)) return "image too large";

    uint64_t tableEnd = kFileHeaderSize + infoSize;
    if (compression == kBitFields && bits == 32) {
        const uint8_t* masks = info + kInfoHeaderSize;
        if (infoSize == kInfoHeaderSize) {  // the masks follow the header
            if (tableEnd + 12 > size) return "colour masks run past the end of the file";
            tableEnd += 12;
        } else if (infoSize < kInfoHeaderSize + 12) {
            return "colour masks missing";
        }
        if (!standardMasks(masks)) return "unsupported colour masks";
    } else if (compression != kRgb) {
        return "compressed bitmaps are not supported";
    }

    if (bits == 8) {
        out.paletteSize = coloursUsed == 0 ? 256 : coloursUsed;
        if (out.paletteSize > 256) return "palette larger than 256 entries";
        if (tableEnd + uint64_t(out.paletteSize) * 4 > size) return "palette runs past the end";
        out.palette = data + tableEnd;
        tableEnd += uint64_t(out.paletteSize) * 4;
    }
    if (offBits < tableEnd) return "pixel data overlaps the headers";
    out.pixelOffset = offBits;
    out.rowStride = ((uint64_t(out.width) * bits + 31) / 32) * 4;
    if (out.pixelOffset + out.rowStride * uint64_t(out.height) > size)
        return "pixel data runs past the end of the file";
    return nullptr;
}

uint32_t paletteTexel(const BmpLayout& layout, uint8_t index, bool& bad) {
    if (index >= layout.paletteSize) {
        bad = true;
        return 0;
    }
    const uint8_t* entry = layout.palette + size_t(index) * 4;
    return (uint32_t(entry[2]) << 16) | (uint32_t(entry[1]) << 8) | entry[0];
}

}  // namespace

DecodeResult decodeBmp(const uint8_t* data, size_t size) {
    BmpLayout layout;
    if (const char* why = readLayout(data, size, layout)) return DecodeResult::failure(why);

    DecodeResult result;
    DecodedImage& image = result.image;
    image.width = int(layout.width);
    image.height = int(layout.height);
    image.texels.resize(size_t(layout.width) * size_t(layout.height));
    bool badIndex = false;
    uint32_t alphaSeen = 0;
    for (int64_t row = 0; row < layout.height; ++row) {
        const int64_t fileRow = layout.topDown ? row : layout.height - 1 - row;
        const uint8_t* src = data + layout.pixelOffset + uint64_t(fileRow) * layout.rowStride;
        uint32_t* dst = image.texels.data() + size_t(row) * size_t(layout.width);
        for (int64_t x = 0; x < layout.width; ++x) {
            if (layout.bits == 8) {
                dst[x] = paletteTexel(layout, src[x], badIndex);
            } else if (layout.bits == 24) {
                const uint8_t* p = src + x * 3;
                dst[x] = (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
            } else {
                dst[x] = u32(src + x * 4);
                alphaSeen |= dst[x] & 0xFF000000u;
            }
        }
    }
    if (badIndex) return DecodeResult::failure("palette index outside the palette");
    // A 32-bit file whose fourth bytes are all 0 carries no alpha (that is
    // what most writers put there); it reads like a 24-bit one.
    image.hasAlpha = alphaSeen != 0;
    result.ok = true;
    return result;
}

}  // namespace platform
