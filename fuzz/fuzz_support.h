// What the fuzz targets that go through the game's own entry points share:
// a headless device, a scratch file to hand the input over by name, and
// seeds made by the asset generator.
#pragma once

#include "d3d8_api.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzsupport {

// A full-screen 800x600 device on the headless renderer, made on first use
// and kept for the process; null when none can be made.
IDirect3DDevice8* device();
HWND window();

// Writes the input to this process's scratch file (named with `extension`)
// and returns its path: the readers under test take file names.
std::string scratchFile(const uint8_t* data, size_t size, const char* extension);

std::string text(const std::vector<uint8_t>& bytes);

// The file cut short, and the file with one byte changed, as near misses.
std::string cut(const std::string& file, size_t keep);
std::string poke(std::string file, size_t at, uint8_t value);

}  // namespace fuzzsupport
