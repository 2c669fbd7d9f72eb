// Writing and reading 32-bit PNG images with libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Pixels are 0xAARRGGBB, row 0 at the top.
bool writePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels);

}  // namespace platform
