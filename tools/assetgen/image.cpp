#include "image.h"

#include <algorithm>
#include <cmath>

namespace assetgen {
namespace {

uint8_t to_byte(float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return static_cast<uint8_t>(std::lround(v * 255.0f));
}

uint8_t mix_byte(uint8_t a, uint8_t b, float t) {
    return static_cast<uint8_t>(std::lround(a + (static_cast<float>(b) - a) * std::clamp(t, 0.0f, 1.0f)));
}

}  // namespace

Rgb rgb_from_float(float r, float g, float b) { return {to_byte(r), to_byte(g), to_byte(b)}; }

Rgb mix(Rgb a, Rgb b, float t) { return {mix_byte(a.r, b.r, t), mix_byte(a.g, b.g, t), mix_byte(a.b, b.b, t)}; }

Rgb scale(Rgb c, float s) { return rgb_from_float(c.r * s / 255.0f, c.g * s / 255.0f, c.b * s / 255.0f); }

Image::Image(int width, int height, Rgb fill)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_pixels(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), fill) {}

Rgb Image::get(int x, int y) const {
    return contains(x, y) ? m_pixels[static_cast<size_t>(y) * m_width + x] : Rgb{};
}

void Image::set(int x, int y, Rgb c) {
    if (contains(x, y)) m_pixels[static_cast<size_t>(y) * m_width + x] = c;
}

void Image::blend(int x, int y, Rgb c, float alpha) {
    if (!contains(x, y) || alpha <= 0) return;
    Rgb& p = m_pixels[static_cast<size_t>(y) * m_width + x];
    p = mix(p, c, alpha);
}

void Image::fill_rect(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = std::max(y0, 0); y < std::min(y1, m_height); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, m_width); ++x) m_pixels[static_cast<size_t>(y) * m_width + x] = c;
}

void Image::frame_rect(int x0, int y0, int x1, int y1, Rgb c) {
    fill_rect(x0, y0, x1, y0 + 1, c);
    fill_rect(x0, y1 - 1, x1, y1, c);
    fill_rect(x0, y0, x0 + 1, y1, c);
    fill_rect(x1 - 1, y0, x1, y1, c);
}

void Image::paste(const Image& src, int x, int y) {
    for (int sy = 0; sy < src.height(); ++sy)
        for (int sx = 0; sx < src.width(); ++sx) set(x + sx, y + sy, src.get(sx, sy));
}

void Image::lift_black(int x0, int y0, int x1, int y1, Rgb floor) {
    for (int y = std::max(y0, 0); y < std::min(y1, m_height); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, m_width); ++x) {
            Rgb& p = m_pixels[static_cast<size_t>(y) * m_width + x];
            if (p == Rgb{}) p = floor;
        }
}

}  // namespace assetgen
