#include "space_art.h"

#include <algorithm>
#include <cmath>

#include "noise.h"
#include "vec.h"
#include "prng.h"
#include "shapes.h"

namespace assetgen {
// An irregular lit rock seen from the side, for the splash picture.
void draw_rock(Image& image, float cx, float cy, float radius, uint32_t seed, float turn) {
    for (int y = static_cast<int>(cy - radius * 1.4f); y <= cy + radius * 1.4f; ++y)
        for (int x = static_cast<int>(cx - radius * 1.4f); x <= cx + radius * 1.4f; ++x) {
            float dx = (x - cx) / radius, dy = (y - cy) / radius;
            float angle = std::atan2(dy, dx) + turn;
            float edge = 1.0f + 0.22f * value_noise3(std::cos(angle) * 1.6f, std::sin(angle) * 1.6f, 0.3f, seed) +
                         0.08f * value_noise3(std::cos(angle) * 5, std::sin(angle) * 5, 1.7f, seed + 1);
            float d = std::hypot(dx, dy) / edge;
            if (d >= 1) continue;
            float nz = std::sqrt(1 - d * d);
            float light = std::clamp(0.25f + 0.75f * (-0.55f * dx / edge - 0.6f * dy / edge + 0.58f * nz), 0.05f, 1.0f);
            // Grain fixed to the rock, so that it turns with the outline.
            float gx = (dx * std::cos(turn) - dy * std::sin(turn)) * radius * 0.08f;
            float gy = (dx * std::sin(turn) + dy * std::cos(turn)) * radius * 0.08f;
            float grain = 0.85f + 0.15f * fbm3(gx, gy, 0.5f, 3, seed + 2);
            image.set(x, y, scale(Rgb{150, 135, 118}, light * grain));
        }
}

void draw_space(Image& image, int w, int h, uint32_t seed, float calm_cx, float calm_cy, float calm_r) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float t = static_cast<float>(y) / h;
            Rgb c = mix(Rgb{4, 6, 22}, Rgb{12, 8, 30}, t);
            float n1 = fbm3(x / 230.0f, y / 230.0f, 0.5f, 5, seed);
            float n2 = fbm3(x / 150.0f + 4, y / 150.0f, 2.5f, 4, seed + 1);
            float calm = smoothstep(0.0f, 1.0f, std::hypot(x - calm_cx, y - calm_cy) / calm_r);
            float quiet = 0.35f + 0.65f * calm;
            c = mix(c, Rgb{110, 40, 130}, 0.8f * quiet * smoothstep(0.05f, 0.6f, n1));
            c = mix(c, Rgb{30, 80, 150}, 0.6f * quiet * smoothstep(0.1f, 0.6f, n2));
            image.set(x, y, c);
        }
    Prng rng(seed);
    for (int i = 0; i < 700; ++i) {
        float x = rng.range(0, static_cast<float>(w)), y = rng.range(0, static_cast<float>(h));
        float b = rng.uniform();
        Rgb star = mix(Rgb{150, 170, 255}, Rgb{255, 250, 235}, rng.uniform());
        if (b > 0.97f) {
            fill_disc(image, x, y, 1.6f, star);
            for (int k = -4; k <= 4; ++k) {
                image.blend(static_cast<int>(x) + k, static_cast<int>(y), star, 0.6f - std::abs(k) * 0.12f);
                image.blend(static_cast<int>(x), static_cast<int>(y) + k, star, 0.6f - std::abs(k) * 0.12f);
            }
        } else {
            image.blend(static_cast<int>(x), static_cast<int>(y), star, 0.3f + 0.7f * b);
        }
    }
}

// A large planet whose limb crosses the corner of the picture, lit from
// the upper left, with a thin blue atmosphere.
void draw_planet_limb(Image& image, float cx, float cy, float r, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float dx = (x - cx) / r, dy = (y - cy) / r;
            float d = std::hypot(dx, dy);
            if (d > 1.04f) continue;
            if (d > 1.0f) {
                image.blend(x, y, Rgb{90, 160, 255}, 0.8f * (1.04f - d) / 0.04f);
                continue;
            }
            float nz = std::sqrt(1 - d * d);
            float light = std::clamp(-0.6f * dx - 0.55f * dy + 0.58f * nz, 0.0f, 1.0f);
            float bands = fbm3(dx * 2.0f, dy * 9.0f, 3.3f, 5, 77);
            Rgb surface = mix(Rgb{180, 110, 70}, Rgb{230, 190, 140}, 0.5f + 0.5f * bands);
            Rgb c = scale(surface, 0.08f + 0.92f * light);
            c = mix(c, Rgb{120, 180, 255}, 0.5f * smoothstep(0.8f, 1.0f, d) * light);
            image.set(x, y, c);
        }
}

}  // namespace assetgen
