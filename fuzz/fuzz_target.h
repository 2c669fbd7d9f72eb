// What every fuzz target defines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Seed inputs: good files and near misses, made in code.
std::vector<std::string> fuzzSeeds();
