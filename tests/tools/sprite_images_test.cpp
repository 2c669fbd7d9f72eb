// The sprite pictures: exact sizes, black gutters around every sheet
// frame, opaque panels, and the art the game's layout relies on.
#include <gtest/gtest.h>

#include <algorithm>

#include "format_checks.h"
#include "test_env.h"

namespace {

formats::Bitmap load(const std::string& name) {
    formats::Bitmap bmp;
    std::string error = formats::parse_bmp(formats::read_file(testenv::runDir() + "/media/" + name), bmp);
    EXPECT_EQ(error, "") << name;
    return bmp;
}

struct Rect {
    int x0, y0, x1, y1;
    bool contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// What the sprite shows of frame f of a one-row sheet: from 2 texels into
// the (w + 1)-wide cell to the frame's width and height.
Rect shown(int f, int w, int h) { return {f * (w + 1) + 2, 2, f * (w + 1) + w, h}; }

int ink_in(const formats::Bitmap& bmp, const Rect& r) {
    int n = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) n += !bmp.at(x, y).black();
    return n;
}

TEST(SpriteImages, EachHasTheSizeOfTheTextureItsCreatorMakes) {
    const struct {
        const char* name;
        int w, h;
    } table[] = {{"loadscreen.bmp", 1024, 1024}, {"loading.bmp", 256, 256}, {"indicator.bmp", 16, 16},
                 {"mainmenu3.bmp", 128, 128},    {"cursor.bmp", 16, 16},    {"ssmenu.bmp", 256, 217},
                 {"LeftBUT.bmp", 256, 64},       {"RightBUT.bmp", 256, 64}, {"OkBUT.bmp", 256, 64},
                 {"explosion2.bmp", 256, 128},   {"Stars.bmp", 32, 32}};
    for (const auto& row : table) {
        formats::Bitmap bmp = load(row.name);
        EXPECT_EQ(bmp.width, row.w) << row.name;
        EXPECT_EQ(bmp.height, row.h) << row.name;
    }
}

TEST(SpriteImages, SheetsKeepEverythingOutsideTheShownFramesBlack) {
    const struct {
        const char* name;
        int frames, w, h;
    } sheets[] = {{"LeftBUT.bmp", 2, 40, 20}, {"RightBUT.bmp", 2, 40, 20}, {"OkBUT.bmp", 2, 40, 20},
                  {"explosion2.bmp", 6, 32, 32}, {"Stars.bmp", 3, 8, 8}};
    for (const auto& s : sheets) {
        SCOPED_TRACE(s.name);
        formats::Bitmap bmp = load(s.name);
        int stray = 0;
        for (int y = 0; y < bmp.height; ++y)
            for (int x = 0; x < bmp.width; ++x) {
                bool in_frame = false;
                for (int f = 0; f < s.frames; ++f) in_frame |= shown(f, s.w, s.h).contains(x, y);
                stray += !in_frame && !bmp.at(x, y).black();
            }
        EXPECT_EQ(stray, 0) << "pixels outside the shown frames";
        for (int f = 0; f < s.frames; ++f) EXPECT_GT(ink_in(bmp, shown(f, s.w, s.h)), 0) << "frame " << f << " is empty";
    }
}

TEST(SpriteImages, OpaquePanelsHaveNoCutOutHoles) {
    const struct {
        const char* name;
        Rect area;
    } panels[] = {{"mainmenu3.bmp", {2, 2, 128, 128}},
                  {"ssmenu.bmp", {2, 2, 256, 217}},
                  {"loadscreen.bmp", {2, 2, 800, 600}},
                  {"indicator.bmp", {2, 2, 16, 16}},
                  {"loading.bmp", {4, 4, 252, 256}}};
    for (const auto& p : panels) {
        formats::Bitmap bmp = load(p.name);
        const int area = (p.area.x1 - p.area.x0) * (p.area.y1 - p.area.y0);
        EXPECT_EQ(ink_in(bmp, p.area), area) << p.name << " has pure black (transparent) pixels";
    }
}

TEST(SpriteImages, LoadScreenPictureSitsInTheTopLeftCorner) {
    formats::Bitmap bmp = load("loadscreen.bmp");
    EXPECT_EQ(ink_in(bmp, {800, 0, 1024, 1024}) + ink_in(bmp, {0, 600, 800, 1024}), 0);
}

TEST(SpriteImages, CursorTipIsTheTopLeftShownTexel) {
    formats::Bitmap bmp = load("cursor.bmp");
    EXPECT_FALSE(bmp.at(2, 2).black());
    EXPECT_EQ(ink_in(bmp, {0, 0, 16, 2}) + ink_in(bmp, {0, 0, 2, 16}), 0);
    // An arrow pointing up-left: more ink in the upper-left quarter than
    // in the lower right.
    EXPECT_GT(ink_in(bmp, {2, 2, 9, 9}), ink_in(bmp, {9, 9, 16, 16}));
}

TEST(SpriteImages, ExplosionGrowsThenFades) {
    formats::Bitmap bmp = load("explosion2.bmp");
    int area[6];
    double brightness[6];
    for (int f = 0; f < 6; ++f) {
        Rect r = shown(f, 32, 32);
        area[f] = ink_in(bmp, r);
        double sum = 0;
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x) {
                formats::Pixel p = bmp.at(x, y);
                if (!p.black()) sum += (p.r + p.g + p.b) / 3.0;
            }
        brightness[f] = sum / std::max(area[f], 1);
    }
    for (int f = 0; f < 3; ++f) EXPECT_LT(area[f], area[f + 1]) << "frame " << f;
    for (int f = 1; f < 5; ++f) EXPECT_GT(brightness[f], brightness[f + 1]) << "frame " << f;
    EXPECT_GT(brightness[0], 180.0);  // a bright flash first
}

TEST(SpriteImages, LoadingPanelHasATroughUnderTheProgressSquares) {
    formats::Bitmap bmp = load("loading.bmp");
    // The squares' upper halves cover panel texels x 2..244, y 248..255:
    // a dark recess there, darker than the panel above it.
    auto mean = [&](Rect r) {
        double s = 0;
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x) s += bmp.at(x, y).r + bmp.at(x, y).g + bmp.at(x, y).b;
        return s / ((r.x1 - r.x0) * (r.y1 - r.y0));
    };
    EXPECT_LT(mean({10, 248, 240, 255}), mean({10, 200, 240, 240}));
}

TEST(SpriteImages, PressedButtonFramesDifferFromRestingOnes) {
    for (const char* name : {"LeftBUT.bmp", "RightBUT.bmp", "OkBUT.bmp"}) {
        formats::Bitmap bmp = load(name);
        int differing = 0;
        for (int y = 2; y < 20; ++y)
            for (int x = 2; x < 40; ++x) {
                formats::Pixel a = bmp.at(x, y), b = bmp.at(x + 41, y);
                differing += a.r != b.r || a.g != b.g || a.b != b.b;
            }
        EXPECT_GT(differing, 100) << name;
    }
}

TEST(SpriteImages, MenuLabelsAreDrawnWhereTheGameWritesItsItems) {
    formats::Bitmap bmp = load("mainmenu3.bmp");
    // Rows of the three items (picture rows about 50..66, 68..84, 86..102)
    // carry text ink brighter than the plain field at their right.
    auto bright = [&](Rect r) {
        int n = 0;
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x) n += bmp.at(x, y).b > 150;
        return n;
    };
    EXPECT_GT(bright({30, 52, 100, 66}), 30);   // "Continue"
    EXPECT_GT(bright({22, 70, 110, 84}), 30);   // "New Game"
    EXPECT_GT(bright({46, 88, 80, 102}), 15);   // "Exit"
    EXPECT_EQ(bright({4, 108, 124, 124}), 0);   // below the items: plain
}

}  // namespace
