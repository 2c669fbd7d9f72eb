// Every run-time file the game reads, built in memory and written under
// the run directory (media/, SOUND/, video/).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace assetgen {

struct AssetFile {
    std::string path;  // relative to the run directory, with '/' separators
    std::vector<uint8_t> bytes;
};

// Builds all files, in a fixed order. Throws std::runtime_error (with the
// file's name) when a file cannot be made, e.g. no font is installed.
std::vector<AssetFile> build_assets();

// Writes the files under `root`, creating folders as needed; each file is
// written to a temporary name and renamed, so a crash never leaves a
// half-written file. Throws std::runtime_error on a write failure.
void write_assets(const std::vector<AssetFile>& files, const std::filesystem::path& root);

}  // namespace assetgen
