// Filled shapes for the 2-D art, with soft (antialiased) edges where the
// picture is not cut out by black.
#pragma once

#include <vector>

#include "image.h"
#include "vec.h"

namespace assetgen {

// Fills every pixel whose centre lies inside the polygon (even-odd rule).
void fill_polygon(Image& image, const std::vector<Vec2>& points, Rgb colour);
bool inside_polygon(const std::vector<Vec2>& points, float x, float y);

// A disc with a one-pixel soft rim, blended over the picture.
void fill_disc(Image& image, float cx, float cy, float radius, Rgb colour, float alpha = 1.0f);

// Vertical gradient over [x0, x1) x [y0, y1).
void fill_gradient(Image& image, int x0, int y0, int x1, int y1, Rgb top, Rgb bottom);

// A raised box: a light rim on the top and left, a dark one on the bottom
// and right, around a vertical gradient.
void bevel_box(Image& image, int x0, int y0, int x1, int y1, Rgb top, Rgb bottom, Rgb light, Rgb shade);

}  // namespace assetgen
