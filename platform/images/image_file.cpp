#include "image_file.h"

#include "bmp_reader.h"
#include "file_paths.h"
#include "jpeg_reader.h"
#include "png_reader.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <memory>

namespace platform {

namespace {

constexpr size_t kMaxImageFileBytes = size_t(256) * 1024 * 1024;

bool startsWith(const uint8_t* data, size_t size, const char* magic, size_t length) {
    if (size < length) return false;
    for (size_t i = 0; i < length; ++i)
        if (data[i] != uint8_t(magic[i])) return false;
    return true;
}

}  // namespace

bool readWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out,
                   std::string& error) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    out.clear();
    // Sized once from the file's length where it has one, so a large image is
    // not grown (and copied) chunk by chunk; a stream that keeps going past
    // that length is still read to its end.
    struct stat info;
    if (fstat(fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        if (uint64_t(info.st_size) > maxBytes) {
            error = path + " is too large";
            return false;
        }
        out.reserve(size_t(info.st_size) + 1);
    }
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        if (out.size() + got > maxBytes) {
            error = path + " is too large";
            return false;
        }
        out.insert(out.end(), chunk, chunk + got);
    }
    if (std::ferror(file.get())) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

DecodeResult decodeImage(const uint8_t* data, size_t size) {
    if (startsWith(data, size, "BM", 2)) return decodeBmp(data, size);
    if (startsWith(data, size, "\x89PNG\r\n\x1a\n", 8)) return decodePng(data, size);
    if (startsWith(data, size, "\xFF\xD8\xFF", 3)) return decodeJpeg(data, size);
    return DecodeResult::failure("not a BMP, PNG or JPEG file");
}

DecodeResult loadImageFile(const char* fileName) {
    if (!fileName) return DecodeResult::failure("no file name");
    const std::string path = resolvePath(fileName);
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readWholeFile(path, kMaxImageFileBytes, bytes, error)) return DecodeResult::failure(error);
    DecodeResult result = decodeImage(bytes.data(), bytes.size());
    if (!result.ok) result.error = path + ": " + result.error;
    return result;
}

}  // namespace platform
