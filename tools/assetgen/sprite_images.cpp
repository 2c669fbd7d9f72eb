#include "sprite_images.h"

#include <algorithm>
#include <cmath>

#include "noise.h"
#include "vec.h"
#include "shapes.h"
#include "space_art.h"

namespace assetgen {
namespace {

const Rgb kInk{1, 1, 1};  // the darkest colour that still counts as opaque

// The face the game asks for its menu text ("Carolingia", 16 points, a
// 21-pixel cell at 96 dpi): drawn with the same substitution the game's
// font gets, so the baked-in labels match the live ones.
const TextStyle kMenuFont{"Carolingia", 21, false};
const TextStyle kTitleFont{"DejaVu Sans", 80, true};

// Picture texel of a screen point for a one-frame screen sprite of
// `size` texels centred at `centre`: the frame's texels [2, size) are
// stretched over `size` pixels.
int texel_of(float screen, float centre, int size) {
    float rel = screen - (centre - size / 2.0f);
    return static_cast<int>(std::lround(2 + rel * (size - 2) / size));
}

// Pixels with no ink next to ink become outline.
void outline(Image& image, const FrameRect& area, Rgb edge) {
    Image copy = image;
    for (int y = area.y0; y < area.y1; ++y)
        for (int x = area.x0; x < area.x1; ++x) {
            if (copy.get(x, y) != Rgb{}) continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx) {
                    int nx = x + dx, ny = y + dy;
                    near = nx >= area.x0 && ny >= area.y0 && nx < area.x1 && ny < area.y1 && copy.get(nx, ny) != Rgb{};
                }
            if (near) image.set(x, y, edge);
        }
}

}  // namespace

FrameRect visible_frame(int f, int w, int h) {
    int x = f * (w + 1);
    return {x + 2, 2, x + w, h};
}

Image make_loadscreen(TextPainter& text) {
    const int w = 800, h = 600;
    Image img(1024, 1024);
    Image picture(w, h);
    draw_space(picture, w, h, 901, 400, 300, 260);
    draw_planet_limb(picture, 760, 760, 380, w, h);
    draw_rock(picture, 130, 440, 52, 11);
    draw_rock(picture, 70, 250, 22, 12);
    draw_rock(picture, 235, 520, 16, 13);
    draw_rock(picture, 655, 175, 30, 14);
    draw_rock(picture, 730, 300, 14, 15);
    text.draw_title(picture, w / 2, 40, kTitleFont, "ROCK SHOOTER", Rgb{255, 205, 90}, Rgb{30, 12, 2});
    text.draw_title(picture, w / 2, 135, TextStyle{"DejaVu Sans", 28, false}, "Clear the field. Stay alive.",
                    Rgb{190, 210, 255}, kInk);
    picture.lift_black(0, 0, w, h);
    img.paste(picture, 0, 0);
    return img;
}

Image make_loading_panel(TextPainter& text) {
    Image img(256, 256);
    bevel_box(img, 4, 4, 252, 256, Rgb{26, 38, 80}, Rgb{10, 16, 40}, Rgb{140, 180, 255}, Rgb{50, 70, 130});
    img.frame_rect(6, 6, 250, 254, Rgb{70, 100, 170});
    text.draw_title(img, 128, 64, TextStyle{"DejaVu Sans", 46, true}, "LOADING", Rgb{235, 242, 255}, kInk);
    text.draw_centred(img, 128, 128, TextStyle{"DejaVu Sans", 20, false}, "preparing the rock field",
                      Rgb{150, 175, 230});
    // The trough the thirteen progress squares fill, along the bottom edge.
    img.fill_rect(3, 243, 248, 256, Rgb{4, 6, 14});
    img.frame_rect(3, 243, 248, 257, Rgb{90, 120, 190});
    return img;
}

Image make_indicator() {
    Image img(16, 16);
    fill_gradient(img, 2, 2, 16, 16, Rgb{170, 245, 255}, Rgb{40, 190, 240});
    img.frame_rect(2, 2, 16, 16, Rgb{20, 110, 170});
    img.fill_rect(3, 3, 15, 4, Rgb{230, 255, 255});
    return img;
}

Image make_main_menu(TextPainter& text) {
    const int n = 128;
    Image img(n, n);
    bevel_box(img, 2, 2, n, n, Rgb{40, 56, 112}, Rgb{22, 32, 70}, Rgb{160, 185, 240}, Rgb{12, 18, 40});
    fill_gradient(img, 4, 4, n - 2, 42, Rgb{70, 96, 170}, Rgb{44, 62, 124});
    img.fill_rect(4, 43, n - 2, 44, Rgb{160, 185, 240});
    text.draw_title(img, 65, 10, TextStyle{"DejaVu Sans", 28, true}, "MENU", Rgb{255, 212, 96}, kInk);
    // The three items, where the game writes them (screen positions of
    // their first cells); the live text lands over these.
    struct Item {
        const char* label;
        float x, y;
    };
    for (const Item& item : {Item{"Continue", 365, 285}, Item{"New Game", 357, 303}, Item{"Exit", 382, 321}}) {
        int tx = texel_of(item.x, 400, n), ty = texel_of(item.y, 300, n);
        text.draw(img, tx, ty, kMenuFont, item.label, Rgb{120, 142, 196});
    }
    img.lift_black(2, 2, n, n);
    return img;
}

Image make_cursor() {
    Image img(16, 16);
    const std::vector<Vec2> arrow = {{2, 2}, {2, 15}, {5.5f, 11.5f}, {8, 16}, {10.5f, 15}, {8, 10.5f}, {13, 10.5f}};
    fill_polygon(img, arrow, Rgb{255, 255, 255});
    outline(img, {2, 2, 16, 16}, kInk);
    img.set(2, 2, Rgb{255, 255, 255});  // the hot spot itself is bright
    return img;
}

Image make_ship_select(TextPainter& text) {
    const int w = 256, h = 217;
    Image img(w, h);
    bevel_box(img, 2, 2, w, h, Rgb{44, 60, 118}, Rgb{24, 34, 72}, Rgb{160, 185, 240}, Rgb{12, 18, 40});
    text.draw_title(img, w / 2 + 1, 5, TextStyle{"DejaVu Sans", 19, true}, "SELECT SHIP", Rgb{255, 212, 96}, kInk);
    // The viewport the turning model is drawn in, centred on texel (128, 108).
    const int vx0 = 26, vy0 = 27, vx1 = 230, vy1 = 185;
    fill_gradient(img, vx0, vy0, vx1, vy1, Rgb{6, 10, 26}, Rgb{12, 18, 40});
    for (int x = vx0 + 12; x < vx1; x += 24) img.fill_rect(x, vy0, x + 1, vy1, Rgb{18, 30, 60});
    for (int y = vy0 + 9; y < vy1; y += 24) img.fill_rect(vx0, y, vx1, y + 1, Rgb{18, 30, 60});
    img.frame_rect(vx0 - 1, vy0 - 1, vx1 + 1, vy1 + 1, Rgb{110, 140, 210});
    // The button bar: a recess under each of the three buttons.
    img.fill_rect(8, 189, w - 4, 215, Rgb{30, 42, 86});
    img.frame_rect(8, 189, w - 4, 215, Rgb{90, 115, 180});
    text.draw(img, 16, 192, TextStyle{"DejaVu Sans", 19, true}, "SHIP", Rgb{170, 190, 240});
    struct Slot {
        float cx, cy;
    };
    for (const Slot& s : {Slot{370, 393}, Slot{430, 393}, Slot{498, 395}}) {
        int x0 = texel_of(s.cx - 20, 400, w) - 2, x1 = texel_of(s.cx + 20, 400, w) + 2;
        int y0 = texel_of(s.cy - 10, 300, h) - 2, y1 = texel_of(s.cy + 10, 300, h) + 2;
        img.fill_rect(x0, y0, x1, y1, Rgb{10, 14, 30});
        img.frame_rect(x0, y0, x1, y1, Rgb{70, 90, 150});
    }
    img.lift_black(2, 2, w, h);
    return img;
}

Image make_button_sheet(ButtonGlyph glyph, TextPainter& text) {
    Image img(256, 64);
    for (int frame = 0; frame < 2; ++frame) {
        const FrameRect r = visible_frame(frame, 40, 20);
        const bool pressed = frame == 1;
        const int shift = pressed ? 1 : 0;
        bevel_box(img, r.x0, r.y0, r.x1, r.y1, pressed ? Rgb{40, 60, 120} : Rgb{90, 130, 220},
                  pressed ? Rgb{24, 36, 80} : Rgb{40, 64, 140}, pressed ? Rgb{30, 40, 80} : Rgb{200, 220, 255},
                  pressed ? Rgb{150, 170, 230} : Rgb{16, 24, 56});
        const float cx = (r.x0 + r.x1) / 2.0f + shift, cy = (r.y0 + r.y1) / 2.0f + shift;
        const Rgb ink = pressed ? Rgb{210, 220, 240} : Rgb{255, 255, 255};
        switch (glyph) {
        case ButtonGlyph::Left:
            fill_polygon(img, {{cx - 8, cy}, {cx + 2, cy - 6}, {cx + 2, cy - 2.5f}, {cx + 9, cy - 2.5f},
                               {cx + 9, cy + 2.5f}, {cx + 2, cy + 2.5f}, {cx + 2, cy + 6}},
                         ink);
            break;
        case ButtonGlyph::Right:
            fill_polygon(img, {{cx + 8, cy}, {cx - 2, cy + 6}, {cx - 2, cy + 2.5f}, {cx - 9, cy + 2.5f},
                               {cx - 9, cy - 2.5f}, {cx - 2, cy - 2.5f}, {cx - 2, cy - 6}},
                         ink);
            break;
        case ButtonGlyph::Ok: {
            const TextStyle style{"DejaVu Sans", 16, true};
            const int tw = text.width(style, "OK");
            text.draw(img, static_cast<int>(cx) - tw / 2, r.y0 + 1 + shift, style, "OK", ink);
            break;
        }
        }
    }
    return img;
}

Image make_explosion_sheet() {
    Image img(256, 128);
    // Per frame: fireball radius, heat at the centre, how much of it has
    // turned to smoke (0 fire, 1 smoke).
    const float radius[6] = {6.5f, 10.0f, 12.5f, 14.0f, 14.5f, 14.5f};
    const float heat[6] = {1.35f, 1.15f, 0.95f, 0.7f, 0.35f, 0.2f};
    const float smoke[6] = {0.0f, 0.0f, 0.15f, 0.4f, 0.8f, 1.0f};
    const Rgb smoke_colour{96, 80, 72};
    for (int f = 0; f < 6; ++f) {
        const FrameRect r = visible_frame(f, 32, 32);
        const float cx = r.x0 + 15.0f, cy = r.y0 + 15.0f;
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x) {
                float px = x + 0.5f - cx, py = y + 0.5f - cy;
                float turb = fbm3(px * 0.22f, py * 0.22f, f * 0.7f, 3, 500);
                float d = std::hypot(px, py) / (radius[f] * (1.0f + 0.25f * turb));
                if (d >= 1.0f) continue;
                float ring = smoke[f] > 0 ? smoothstep(0.2f + 0.4f * smoke[f], 0.75f, d) : 1.0f;
                if (smoke[f] > 0.5f && ring < 0.3f + 0.4f * turb) continue;  // the smoke ring breaks up
                float t = heat[f] * (1.0f - 0.6f * d) * (0.85f + 0.3f * turb);
                Rgb fire = t > 0.75f   ? mix(Rgb{255, 230, 120}, Rgb{255, 255, 235}, (t - 0.75f) / 0.25f)
                           : t > 0.45f ? mix(Rgb{255, 130, 30}, Rgb{255, 230, 120}, (t - 0.45f) / 0.3f)
                                       : mix(Rgb{170, 40, 10}, Rgb{255, 130, 30}, t / 0.45f);
                Rgb c = mix(fire, smoke_colour, smoke[f] * (0.5f + 0.5f * d));
                img.set(x, y, c == Rgb{} ? kInk : c);
            }
    }
    return img;
}

Image make_star_sheet() {
    Image img(32, 32);
    const Rgb white{255, 255, 255}, blue{190, 205, 255}, glow{110, 125, 170};
    // Frame 0: a single bright point.
    img.set(4, 4, white);
    img.set(5, 4, glow);
    // Frame 1: a 2 x 2 dot with a faint halo.
    const int x1 = 9 + 4;
    img.fill_rect(x1, 4, x1 + 2, 6, white);
    for (int k = 0; k < 2; ++k) {
        img.set(x1 + k, 3, glow), img.set(x1 + k, 6, glow);
        img.set(x1 - 1, 4 + k, glow), img.set(x1 + 2, 4 + k, glow);
    }
    // Frame 2: a five-pixel cross.
    const int x2 = 18 + 4;
    for (int k = -2; k <= 2; ++k) {
        img.set(x2 + k, 4, blue);
        img.set(x2, 4 + k, blue);
    }
    img.set(x2, 4, white);
    return img;
}

}  // namespace assetgen
