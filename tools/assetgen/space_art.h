// Painted space scenery shared by the splash picture and the intro video.
#pragma once

#include <cstdint>

#include "image.h"

namespace assetgen {

// An irregular rock lit from the upper left; `turn` (radians) rotates its
// outline, for tumbling.
void draw_rock(Image& image, float cx, float cy, float radius, uint32_t seed, float turn = 0.0f);
// Deep-space background over [0, w) x [0, h): nebula and stars, quieter
// within `calm_r` of (calm_cx, calm_cy).
void draw_space(Image& image, int w, int h, uint32_t seed, float calm_cx, float calm_cy, float calm_r);
// A large planet of radius r centred at (cx, cy), lit from the upper left,
// with a thin atmosphere.
void draw_planet_limb(Image& image, float cx, float cy, float r, int w, int h);

}  // namespace assetgen
