// Seeded lattice value noise with smooth interpolation, in two and three
// dimensions, and fractal sums of it. Pure functions of their arguments.
#pragma once

#include <cstdint>

namespace assetgen {

// In [-1, 1].
float value_noise3(float x, float y, float z, uint32_t seed);

// Sum of `octaves` layers, each at twice the frequency and half the
// amplitude of the one before; normalised to about [-1, 1].
float fbm3(float x, float y, float z, int octaves, uint32_t seed);

// Tiles with period `period` in x and y (integer lattice units), so that
// textures built from it wrap without a seam.
float tiling_noise2(float x, float y, int period, uint32_t seed);
float tiling_fbm2(float x, float y, int period, int octaves, uint32_t seed);

}  // namespace assetgen
