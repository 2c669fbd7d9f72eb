// Reads an image file of any kind the texture loader knows (BMP, PNG, JPEG),
// chosen by the file's first bytes, not its name.
#pragma once

#include "decoded_image.h"

namespace platform {

// Decodes bytes already in memory.
DecodeResult decodeImage(const uint8_t* data, size_t size);

// Reads and decodes a file; the name goes through the layer's path mapping.
DecodeResult loadImageFile(const char* fileName);

// Reads a whole file, refusing one larger than maxBytes. The name is used as
// given (the caller maps it).
bool readWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out,
                   std::string& error);

}  // namespace platform
