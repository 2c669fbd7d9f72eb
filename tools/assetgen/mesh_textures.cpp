#include "mesh_textures.h"

#include <algorithm>
#include <cmath>

#include "noise.h"
#include "vec.h"

namespace assetgen {
namespace {

// Fills [x0, x1) x [y0, y1) of `image` with f(s, t), s and t in [0, 1).
template <typename F>
void paint_region(Image& image, int x0, int y0, int x1, int y1, F f) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            image.set(x, y, f((x - x0 + 0.5f) / (x1 - x0), (y - y0 + 0.5f) / (y1 - y0)));
}

}  // namespace

Image make_rock_texture() {
    const int n = 256;
    Image img(n, n);
    // Pale stone: the game's light gives a face toward the camera only about
    // 0.42 of the texel, so darker rock turns into a black lump in play.
    const Rgb dark{128, 118, 106}, pale{232, 220, 200}, rust{196, 146, 102};
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float u = x * 8.0f / n, v = y * 8.0f / n;
            // The rock maps each facet from one of three sides, so tone that
            // changes over less than a facet's size hides the joins; only a
            // faint tint varies more slowly.
            float base = 0.5f + 0.5f * tiling_fbm2(u * 2, v * 2, 16, 4, 11);
            float tint = 0.5f + 0.5f * tiling_fbm2(u * 0.5f, v * 0.5f, 4, 3, 23);
            float ridge = std::fabs(tiling_fbm2(u * 1.5f, v * 1.5f, 12, 3, 37));
            // Cracks run only where a second field lets them, so they break
            // off like fractures instead of closing into map-like cells.
            float open = smoothstep(0.0f, 0.25f, tiling_fbm2(u * 0.75f, v * 0.75f, 6, 2, 41));
            float pits = smoothstep(0.5f, 0.7f, tiling_fbm2(u * 4, v * 4, 32, 2, 43));
            Rgb c = mix(mix(dark, pale, base), rust, 0.25f * smoothstep(0.5f, 0.8f, tint));
            c = scale(c, 1.0f - 0.55f * open * (1.0f - smoothstep(0.0f, 0.06f, ridge)));  // cracks
            c = scale(c, 1.0f - 0.4f * pits);
            float grain = tiling_noise2(x * 0.5f, y * 0.5f, n / 2, 51);
            c = scale(c, 0.9f + 0.12f * grain);
            img.set(x, y, c);
        }
    return img;
}

Image make_planet_texture() {
    const int w = 512, h = 256;
    Image img(w, h);
    const Rgb deep{24, 60, 170}, shallow{50, 130, 215}, sand{200, 185, 120}, grass{70, 160, 60}, forest{40, 110, 50},
        rock{140, 115, 90}, ice{240, 245, 255}, cloud{250, 250, 250};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float phi = 2 * kPi * (x + 0.5f) / w, theta = kPi * (y + 0.5f) / h;
            Vec3 d{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
            float height = fbm3(d.x * 1.8f, d.y * 1.8f, d.z * 1.8f, 6, 301);
            float moisture = fbm3(d.x * 3 + 5, d.y * 3, d.z * 3, 3, 302);
            Rgb c;
            if (height < 0.0f) {
                c = mix(deep, shallow, smoothstep(-0.35f, 0.0f, height));
            } else {
                c = mix(sand, moisture > 0 ? forest : grass, smoothstep(0.0f, 0.06f, height));
                c = mix(c, rock, smoothstep(0.25f, 0.4f, height));
            }
            float lat = std::fabs(d.y) + 0.08f * fbm3(d.x * 6, d.y * 6, d.z * 6, 2, 303);
            c = mix(c, ice, smoothstep(0.9f, 0.95f, lat));
            float cover = fbm3(d.x * 3.5f + 9, d.y * 5.0f, d.z * 3.5f, 5, 304);
            c = mix(c, cloud, 0.85f * smoothstep(0.1f, 0.45f, cover));
            // Haze: the planet is scenery behind the play field, and at full
            // colour its oceans and forests swallow the blue and the green
            // ship flying over them.
            const uint8_t grey = static_cast<uint8_t>((c.r * 3 + c.g * 5 + c.b * 2) / 10);
            c = scale(mix(c, Rgb{grey, grey, grey}, 0.35f), 0.72f);
            img.set(x, y, c);
        }
    return img;
}

Image make_shield_texture() {
    const int n = 128;
    Image img(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float u = (x + 0.5f) / n, v = (y + 0.5f) / n;
            // A hexagonal cell grid, 12 cells around (so u wraps) and about 7
            // along: distance from the nearest cell centre, 0.5 on its edge.
            const float root3 = 1.7320508f;
            float px = u * 12, py = v * 4 * root3;
            auto wrap = [](float a, float m) { return a - m * std::floor(a / m); };
            float ax = wrap(px, 1) - 0.5f, ay = wrap(py, root3) - root3 / 2;
            float bx = wrap(px - 0.5f, 1) - 0.5f, by = wrap(py - root3 / 2, root3) - root3 / 2;
            bool first = ax * ax + ay * ay < bx * bx + by * by;
            float gx = std::fabs(first ? ax : bx), gy = std::fabs(first ? ay : by);
            float edge = std::max(gx * 0.5f + gy * root3 / 2, gx);
            float line = smoothstep(0.40f, 0.48f, edge);
            // Three bright sweeps around the bubble make its spin visible.
            float sweep = 0.5f + 0.5f * std::sin(2 * kPi * (3 * u + 0.6f * v));
            Rgb c = mix(Rgb{30, 110, 200}, Rgb{90, 200, 255}, sweep);
            c = mix(c, Rgb{230, 250, 255}, line);
            img.set(x, y, c);
        }
    return img;
}

Image make_blaster_texture() {
    const int n = 64;
    Image img(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float v = (y + 0.5f) / n, u = (x + 0.5f) / n;
            float core = 1.0f - std::fabs(v - 0.45f) * 2;  // hottest just behind the nose
            Rgb c = mix(Rgb{255, 120, 30}, Rgb{255, 230, 120}, smoothstep(0.1f, 0.6f, core));
            c = mix(c, Rgb{255, 255, 245}, smoothstep(0.6f, 0.95f, core));
            c = scale(c, 0.9f + 0.1f * std::sin(u * 2 * kPi * 8));
            img.set(x, y, c);
        }
    return img;
}

Image make_missile_texture() {
    const int n = 128;
    Image img(n, n, {40, 40, 44});
    // Body (left half): nose at the top; bands along its length.
    paint_region(img, 0, 0, n / 2, n, [](float s, float t) {
        Rgb body{235, 235, 230};
        if (t < 0.16f) return Rgb{220, 40, 30};
        if ((t > 0.22f && t < 0.27f) || (t > 0.72f && t < 0.78f)) return Rgb{220, 40, 30};
        if (t > 0.9f) return Rgb{90, 90, 100};
        float panel = std::fmod(s * 12, 1.0f) < 0.08f ? 0.85f : 1.0f;
        return scale(body, panel);
    });
    // Fins (top right).
    paint_region(img, n / 2, 0, n, n / 2, [](float s, float t) {
        return t > 0.8f ? Rgb{220, 40, 30} : mix(Rgb{110, 110, 120}, Rgb{160, 160, 170}, s);
    });
    return img;
}

Image make_powerup_texture() {
    const int n = 128;
    Image img(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            float u = (x + 0.5f) / n, v = (y + 0.5f) / n;
            float facet = std::fmod(u * 10, 1.0f);
            float band = 1.0f - std::fabs(v - 0.5f) * 2;
            Rgb c = mix(Rgb{255, 240, 120}, Rgb{80, 255, 150}, band);
            c = scale(c, 0.8f + 0.2f * facet);
            if (facet < 0.06f || std::fabs(v - 0.3f) < 0.01f || std::fabs(v - 0.7f) < 0.01f) c = Rgb{255, 255, 255};
            img.set(x, y, c);
        }
    return img;
}

Image make_ship_texture(const ShipPaint& p, unsigned seed) {
    const int n = 256;
    Image img(n, n);
    // Hull from above: centre stripe, panel lines, darker flanks.
    paint_region(img, 0, 0, n / 2, n, [&](float s, float t) {
        float centre = std::fabs(s - 0.5f) * 2;
        Rgb c = centre < 0.16f ? p.light : p.base;
        // Shading and panel lines stay light: in play a ship is about 25
        // pixels long, and dark detail only averages into a dimmer hull.
        if (centre > 0.8f) c = scale(c, 0.82f);
        if (std::fmod(t * 14, 1.0f) < 0.05f) c = scale(c, 0.78f);
        float grime = tiling_fbm2(s * 4, t * 8, 4, 3, seed);
        return scale(c, 0.93f + 0.07f * grime);
    });
    // Right wing: leading-edge accent, a stripe near the tip, panel lines.
    paint_region(img, n / 2, 0, n, n / 2, [&](float s, float t) {
        Rgb c = p.base;
        if (s > 0.72f && s < 0.82f) c = p.light;
        if (t < 0.08f + 0.5f * s * 0.3f) c = p.accent;
        if (std::fmod(s * 8, 1.0f) < 0.05f || std::fmod(t * 6, 1.0f) < 0.05f) c = scale(c, 0.8f);
        return c;
    });
    // Canopy glass: dark cyan with a highlight.
    paint_region(img, n / 2, n / 2, 3 * n / 4, 3 * n / 4, [](float s, float t) {
        return mix(Rgb{20, 60, 90}, Rgb{150, 230, 255}, smoothstep(0.6f, 0.2f, std::fabs(s - t)));
    });
    // Engine glow.
    paint_region(img, 3 * n / 4, n / 2, n, 3 * n / 4, [](float s, float t) {
        float r = std::hypot(s - 0.5f, t - 0.5f) * 2;
        return mix(Rgb{255, 250, 200}, Rgb{255, 120, 20}, r);
    });
    // Trim: fins and secondary parts, with accent bands.
    paint_region(img, n / 2, 3 * n / 4, n, n, [&](float s, float t) {
        Rgb c = p.trim;
        if (std::fmod(t * 5, 1.0f) < 0.15f) c = p.accent;
        return scale(c, 0.85f + 0.15f * s);
    });
    return img;
}

}  // namespace assetgen
