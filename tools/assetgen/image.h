// A 24-bit picture in memory, row 0 at the top, with the few drawing
// operations the generated art needs. Writes outside the picture are
// ignored, so callers may draw shapes that cross its edges.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// Components in [0, 1], clamped and rounded.
Rgb rgb_from_float(float r, float g, float b);

// a + (b - a) * t per component, t in [0, 1].
Rgb mix(Rgb a, Rgb b, float t);

// Scales a colour's brightness by `s` (clamped).
Rgb scale(Rgb c, float s);

class Image {
public:
    Image(int width, int height, Rgb fill = {});

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

    Rgb get(int x, int y) const;
    void set(int x, int y, Rgb c);
    // Mixes `c` over the pixel with coverage `alpha` in [0, 1].
    void blend(int x, int y, Rgb c, float alpha);
    // Fills [x0, x1) x [y0, y1).
    void fill_rect(int x0, int y0, int x1, int y1, Rgb c);
    // A one-pixel outline of [x0, x1) x [y0, y1).
    void frame_rect(int x0, int y0, int x1, int y1, Rgb c);
    // Copies `src` with its top-left corner at (x, y).
    void paste(const Image& src, int x, int y);

    // Raises every pixel in [x0, x1) x [y0, y1) that is pure black to
    // `floor`, so the area stays opaque where black means "cut out".
    void lift_black(int x0, int y0, int x1, int y1, Rgb floor = {1, 1, 1});

private:
    int m_width;
    int m_height;
    std::vector<Rgb> m_pixels;
};

}  // namespace assetgen
