#include "bmp_writer.h"

#include "byte_writer.h"

namespace assetgen {

std::vector<uint8_t> encode_bmp24(const Image& image) {
    const uint32_t w = static_cast<uint32_t>(image.width());
    const uint32_t h = static_cast<uint32_t>(image.height());
    const uint32_t pitch = (w * 3 + 3) & ~3u;
    const uint32_t pixel_bytes = pitch * h;
    const uint32_t header_bytes = 14 + 40;

    ByteWriter bw;
    bw.u8('B');
    bw.u8('M');
    bw.u32(header_bytes + pixel_bytes);  // bfSize
    bw.u16(0);
    bw.u16(0);
    bw.u32(header_bytes);  // bfOffBits
    bw.u32(40);            // biSize
    bw.i32(static_cast<int32_t>(w));
    bw.i32(static_cast<int32_t>(h));  // positive: bottom-up
    bw.u16(1);                        // planes
    bw.u16(24);                       // bits per pixel
    bw.u32(0);                        // BI_RGB
    bw.u32(pixel_bytes);
    bw.i32(2835);  // 72 dpi
    bw.i32(2835);
    bw.u32(0);
    bw.u32(0);
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x) {
            Rgb c = image.get(x, y);
            bw.u8(c.b);
            bw.u8(c.g);
            bw.u8(c.r);
        }
        bw.zeros(pitch - w * 3);
    }
    return bw.take();
}

}  // namespace assetgen
