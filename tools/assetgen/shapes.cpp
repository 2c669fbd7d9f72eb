#include "shapes.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

bool inside_polygon(const std::vector<Vec2>& p, float x, float y) {
    bool inside = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        if ((p[i].y > y) != (p[j].y > y) && x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
            inside = !inside;
    }
    return inside;
}

void fill_polygon(Image& image, const std::vector<Vec2>& points, Rgb colour) {
    if (points.size() < 3) return;
    float x0 = points[0].x, x1 = x0, y0 = points[0].y, y1 = y0;
    for (const Vec2& p : points) {
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    }
    for (int y = static_cast<int>(std::floor(y0)); y <= static_cast<int>(std::ceil(y1)); ++y)
        for (int x = static_cast<int>(std::floor(x0)); x <= static_cast<int>(std::ceil(x1)); ++x)
            if (inside_polygon(points, x + 0.5f, y + 0.5f)) image.set(x, y, colour);
}

void fill_disc(Image& image, float cx, float cy, float radius, Rgb colour, float alpha) {
    int x0 = static_cast<int>(std::floor(cx - radius - 1)), x1 = static_cast<int>(std::ceil(cx + radius + 1));
    int y0 = static_cast<int>(std::floor(cy - radius - 1)), y1 = static_cast<int>(std::ceil(cy + radius + 1));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            float cover = std::clamp(radius + 0.5f - d, 0.0f, 1.0f);
            if (cover > 0) image.blend(x, y, colour, cover * alpha);
        }
}

void fill_gradient(Image& image, int x0, int y0, int x1, int y1, Rgb top, Rgb bottom) {
    for (int y = y0; y < y1; ++y) {
        float t = y1 - y0 > 1 ? static_cast<float>(y - y0) / (y1 - y0 - 1) : 0.0f;
        image.fill_rect(x0, y, x1, y + 1, mix(top, bottom, t));
    }
}

void bevel_box(Image& image, int x0, int y0, int x1, int y1, Rgb top, Rgb bottom, Rgb light, Rgb shade) {
    fill_gradient(image, x0, y0, x1, y1, top, bottom);
    image.fill_rect(x0, y0, x1, y0 + 1, light);
    image.fill_rect(x0, y0, x0 + 1, y1, light);
    image.fill_rect(x0, y1 - 1, x1, y1, shade);
    image.fill_rect(x1 - 1, y0, x1, y1, shade);
}

}  // namespace assetgen
