#include "bmp_writer.h"

#include <algorithm>

namespace platform {

namespace {

void put16(std::string& out, uint32_t v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char((v >> 8) & 0xFF));
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

std::string encodeBmp(int width, int height, const std::vector<uint32_t>& texels,
                      const BmpWriteOptions& options) {
    std::vector<uint32_t> palette;
    if (options.bits == 8) {
        for (uint32_t t : texels) {
            const uint32_t colour = t & 0x00FFFFFFu;
            if (std::find(palette.begin(), palette.end(), colour) == palette.end() && palette.size() < 256)
                palette.push_back(colour);
        }
    }
    const uint32_t rowStride = ((uint32_t(width) * options.bits + 31) / 32) * 4;
    const uint32_t offset = 14 + 40 + uint32_t(palette.size()) * 4;
    std::string out;
    out += "BM";
    put32(out, offset + rowStride * uint32_t(height));
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(options.topDown ? -height : height));
    put16(out, 1);
    put16(out, uint32_t(options.bits));
    put32(out, 0);  // no compression
    put32(out, rowStride * uint32_t(height));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, uint32_t(palette.size()));
    put32(out, 0);
    for (uint32_t colour : palette) put32(out, colour);
    for (int row = 0; row < height; ++row) {
        const int y = options.topDown ? row : height - 1 - row;
        std::string line;
        for (int x = 0; x < width; ++x) {
            const uint32_t t = texels[size_t(y) * width + x];
            if (options.bits == 8) {
                const auto it = std::find(palette.begin(), palette.end(), t & 0x00FFFFFFu);
                line.push_back(char(it == palette.end() ? 0 : it - palette.begin()));
            } else {
                line.push_back(char(t & 0xFF));
                line.push_back(char((t >> 8) & 0xFF));
                line.push_back(char((t >> 16) & 0xFF));
                if (options.bits == 32) line.push_back(char(t >> 24));
            }
        }
        line.resize(rowStride, '\0');
        out += line;
    }
    return out;
}

}  // namespace platform
