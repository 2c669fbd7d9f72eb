#include "jpeg_reader.h"

#include <cstdio>  // jpeglib.h needs FILE
#include <csetjmp>

#include <jpeglib.h>

namespace platform {

namespace {

// libjpeg reports fatal errors through a callback that must not return; we
// jump back to the decoder with the message.
struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onFatalError(j_common_ptr info) {
    ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(info->err);
    (*info->err->format_message)(info, trap->message);
    std::longjmp(trap->jump, 1);
}

// Level -1 is a warning about corrupt or truncated data (libjpeg would go on
// with made-up pixels); we count them and refuse the image.
void onMessage(j_common_ptr info, int level) {
    if (level < 0) ++info->err->num_warnings;
}

// Everything after setjmp lives here, so that no object with a destructor is
// skipped by the jump.
// Returns null on success, else why the image was refused.
const char* decodeInto(jpeg_decompress_struct& jpeg, const uint8_t* data, size_t size,
                       DecodedImage& image, std::vector<uint8_t>& row) {
    jpeg_mem_src(&jpeg, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&jpeg, TRUE) != JPEG_HEADER_OK) {
        return "no JPEG image";
    }
    if (!imageSizeAcceptable(jpeg.image_width, jpeg.image_height)) {
        return "JPEG image too large";
    }
    jpeg.out_color_space = JCS_RGB;
    jpeg_start_decompress(&jpeg);
    if (jpeg.output_components != 3) {
        return "unexpected JPEG colour layout";
    }
    image.width = int(jpeg.output_width);
    image.height = int(jpeg.output_height);
    image.texels.assign(size_t(image.width) * size_t(image.height), 0);
    row.resize(size_t(image.width) * 3);
    while (jpeg.output_scanline < jpeg.output_height) {
        const size_t y = jpeg.output_scanline;
        JSAMPROW rows[1] = {row.data()};
        if (jpeg_read_scanlines(&jpeg, rows, 1) != 1) break;
        uint32_t* dst = image.texels.data() + y * size_t(image.width);
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = row.data() + size_t(x) * 3;
            dst[x] = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
        }
    }
    if (jpeg.err->num_warnings > 0) {
        return "corrupt or truncated JPEG data";
    }
    jpeg_finish_decompress(&jpeg);
    if (jpeg.err->num_warnings > 0) {
        return "corrupt or truncated JPEG data";
    }
    return nullptr;
}

// Runs the decode with libjpeg's fatal errors caught; null on success.
const char* decodeTrapped(jpeg_decompress_struct& jpeg, ErrorTrap& trap, const uint8_t* data,
                          size_t size, DecodedImage& image, std::vector<uint8_t>& row) {
    if (setjmp(trap.jump)) return trap.message;
    return decodeInto(jpeg, data, size, image, row);
}

}  // namespace

DecodeResult decodeJpeg(const uint8_t* data, size_t size) {
    if (size == 0) return DecodeResult::failure("empty JPEG file");
    DecodeResult result;
    std::vector<uint8_t> row;
    jpeg_decompress_struct jpeg;
    ErrorTrap trap;
    trap.message[0] = '\0';
    jpeg.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = onFatalError;
    trap.manager.emit_message = onMessage;
    jpeg_create_decompress(&jpeg);
    const char* why = decodeTrapped(jpeg, trap, data, size, result.image, row);
    const std::string reason = why ? why : "";
    jpeg_destroy_decompress(&jpeg);
    if (why) return DecodeResult::failure("bad JPEG: " + reason);
    result.ok = true;
    return result;
}

}  // namespace platform
