#include "intro_video.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "prng.h"
#include "shapes.h"
#include "sounds.h"
#include "space_art.h"
#include "vec.h"
#include "wav_writer.h"

namespace assetgen {
namespace {

struct Star {
    float x, y, z;
};

// A streak from the star's previous screen position to its current one.
void draw_streak(Image& img, float x0, float y0, float x1, float y1, Rgb colour, float brightness) {
    const int steps = std::max(1, static_cast<int>(std::hypot(x1 - x0, y1 - y0)));
    for (int i = 0; i <= steps; ++i) {
        float t = static_cast<float>(i) / steps;
        img.blend(static_cast<int>(x0 + (x1 - x0) * t), static_cast<int>(y0 + (y1 - y0) * t), colour,
                  brightness * (0.3f + 0.7f * t));
    }
}

void draw_stars(Image& img, const std::vector<Star>& stars, float travelled, float speed) {
    const float cx = kIntroWidth / 2.0f, cy = kIntroHeight / 2.0f, focal = 160.0f;
    for (const Star& s : stars) {
        float z = std::fmod(s.z - travelled + 1000.0f, 100.0f) + 1.0f;
        float z_before = z + speed;
        float x1 = cx + s.x / z * focal, y1 = cy + s.y / z * focal;
        float x0 = cx + s.x / z_before * focal, y0 = cy + s.y / z_before * focal;
        float brightness = std::clamp(1.2f - z / 90.0f, 0.1f, 1.0f);
        draw_streak(img, x0, y0, x1, y1, Rgb{210, 225, 255}, brightness);
    }
}

Image title_layer(TextPainter& text) {
    Image layer(kIntroWidth, 60);
    TextStyle style{"DejaVu Sans", 44, true};
    while (style.cell_height > 12 && text.width(style, "ROCK SHOOTER") > kIntroWidth - 30) --style.cell_height;
    text.draw_title(layer, kIntroWidth / 2, 4, style, "ROCK SHOOTER", Rgb{255, 205, 90}, Rgb{30, 12, 2});
    return layer;
}

}  // namespace

AviClip make_intro_clip(TextPainter& text) {
    AviClip clip;
    clip.width = kIntroWidth;
    clip.height = kIntroHeight;
    clip.frames_per_second = kIntroFps;
    Prng rng(2024);
    std::vector<Star> stars(260);
    for (Star& s : stars) s = {rng.range(-60, 60), rng.range(-45, 45), rng.range(0, 100)};
    const Image title = title_layer(text);

    for (int f = 0; f < kIntroFrames; ++f) {
        const float t = static_cast<float>(f) / kIntroFps;  // seconds
        Image frame(kIntroWidth, kIntroHeight, Rgb{2, 3, 10});
        const float speed = 1.0f + 3.0f * smoothstep(0.0f, 2.0f, t) - 2.5f * smoothstep(2.5f, 3.5f, t);
        draw_stars(frame, stars, t * 40.0f + 60.0f * smoothstep(0.0f, 2.0f, t), speed);
        // The planet rises from below; a rock tumbles across the foreground.
        draw_planet_limb(frame, 250.0f, 430.0f - 40.0f * t, 230.0f, kIntroWidth, kIntroHeight);
        draw_rock(frame, -40.0f + 95.0f * t, 70.0f + 22.0f * t, 26.0f + 3.0f * t, 31, t * 1.3f);
        const float title_alpha = smoothstep(1.0f, 2.2f, t);
        for (int y = 0; y < title.height(); ++y)
            for (int x = 0; x < title.width(); ++x) {
                Rgb c = title.get(x, y);
                if (c != Rgb{}) frame.blend(x, 90 + y, c, title_alpha);
            }
        const float fade = std::min(smoothstep(0.0f, 0.4f, t), 1.0f - smoothstep(3.5f, 4.0f, t + 1.0f / kIntroFps));
        for (int y = 0; y < kIntroHeight; ++y)
            for (int x = 0; x < kIntroWidth; ++x) frame.set(x, y, scale(frame.get(x, y), fade));
        clip.frames.push_back(std::move(frame));
    }
    clip.sound = to_u8(make_intro_ambience(static_cast<double>(kIntroFrames) / kIntroFps), 17);
    return clip;
}

}  // namespace assetgen
