// The generated models drawn through the game's renderer with the game's
// light, from the angles the player sees them: each must fill a sensible
// part of the frame, be lit on the side the light comes from, show its
// texture, and the three ships must be told apart at a glance. Every view
// is also captured to PNG for looking at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "format_checks.h"
#include "render_fixture.h"
#include "test_env.h"

namespace {

using artcheck::Frame;
using artcheck::Model;
using artcheck::placement;
using artcheck::RenderFixture;

constexpr float kPlayPlane = 250.0f;
constexpr uint32_t kSpace = 0xFF000000;  // the game clears to opaque black
constexpr float kTilt = 270.0f;  // the game's turn about x: the model's top faces the camera

double luminance(uint32_t argb) {
    return 0.299 * ((argb >> 16) & 0xFF) + 0.587 * ((argb >> 8) & 0xFF) + 0.114 * (argb & 0xFF);
}

// How much the texture varies over the model as drawn: the spread of
// textured brightness over untextured (lit white) brightness, pixel by
// pixel, so that the light's own shading does not count.
double textureSpread(const Frame& textured, const Frame& plain) {
    double sum = 0, sumSquares = 0;
    size_t n = 0;
    for (size_t i = 0; i < plain.pixels.size(); ++i) {
        const int x = int(i % plain.width), y = int(i / plain.width);
        if (!plain.covered(x, y) || !textured.covered(x, y)) continue;
        const double white = luminance(plain.pixels[i]);
        if (white < 40) continue;  // too dark to tell texture from shade
        const double ratio = luminance(textured.pixels[i]) / white;
        sum += ratio;
        sumSquares += ratio * ratio;
        ++n;
    }
    if (n < 100) return 0.0;
    const double mean = sum / double(n);
    return std::sqrt(std::max(0.0, sumSquares / double(n) - mean * mean));
}

// Share of the pixels covered in either frame that are covered in both.
double overlap(const Frame& a, const Frame& b) {
    size_t both = 0, either = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const bool ca = a.covered(x, y), cb = b.covered(x, y);
            both += ca && cb;
            either += ca || cb;
        }
    return either ? double(both) / double(either) : 1.0;
}

double colourDistance(const Frame& a, const Frame& b) {
    double ca[3], cb[3];
    a.meanColour(ca);
    b.meanColour(cb);
    return std::sqrt((ca[0] - cb[0]) * (ca[0] - cb[0]) + (ca[1] - cb[1]) * (ca[1] - cb[1]) +
                     (ca[2] - cb[2]) * (ca[2] - cb[2]));
}

// The mesh files media/default.msl names, in list order.
std::vector<std::string> shipMeshes() {
    const auto bytes = formats::read_file(testenv::runDir() + "/media/default.msl");
    std::vector<std::string> names;
    for (size_t at = 0; at + 224 <= bytes.size(); at += 224) {
        if (bytes[at] == 0) continue;
        const char* p = reinterpret_cast<const char*>(&bytes[at + 0xC0]);
        names.emplace_back(p, strnlen(p, 16));
    }
    return names;
}

std::string stem(const std::string& file) { return file.substr(0, file.find('.')); }

// What every view of a textured model must show.
struct Expect {
    double minCoverage, maxCoverage;
    double minLitLuminance;  // mean over the model, untextured
    double minTextured;      // mean over the model, textured
    double minSpread;        // textureSpread
};

struct ViewResult {
    Frame textured, plain;
};

ViewResult drawView(RenderFixture& r, const Model& m, const D3DXMATRIX& world, float cameraZ,
                    const std::string& name) {
    ViewResult v;
    v.plain = r.draw(m, world, cameraZ, false);
    v.textured = r.draw(m, world, cameraZ, true);
    r.draw(m, world, cameraZ, true, kSpace);  // the picture on the game's black
    RenderFixture::capture(name + ".png");
    return v;
}

void checkView(const ViewResult& v, const Expect& e, const std::string& name) {
    SCOPED_TRACE(name);
    const double coverage = v.textured.coverage();
    EXPECT_GE(coverage, e.minCoverage) << "too small in the frame";
    EXPECT_LE(coverage, e.maxCoverage) << "overfills the frame";
    EXPECT_GE(v.plain.meanLuminance(), e.minLitLuminance) << "mostly unlit: normals facing inward?";
    EXPECT_GE(v.textured.meanLuminance(), e.minTextured) << "too dark on screen";
    EXPECT_GE(textureSpread(v.textured, v.plain), e.minSpread) << "texture shows no detail";
}

// The light comes from above the screen (world +y) and from the camera's
// side: the upper part of a round model must be clearly brighter.
void checkLitFromAbove(const ViewResult& v, const std::string& name) {
    SCOPED_TRACE(name);
    const double top = v.plain.meanLuminance(0.0, 0.33), bottom = v.plain.meanLuminance(0.67, 1.0);
    EXPECT_GT(top, 1.8 * bottom) << "top " << top << " bottom " << bottom << ": normals facing inward?";
    EXPECT_GT(v.textured.meanLuminance(0.0, 0.33), 1.5 * v.textured.meanLuminance(0.67, 1.0));
}

const Expect kShipExpect{0.04, 0.6, 75, 45, 0.05};

TEST(AssetRender, ShipsFromAboveAreLitTexturedAndFillTheView) {
    RenderFixture r;
    const auto ships = shipMeshes();
    ASSERT_EQ(ships.size(), 3u);
    // Heading and bank as in flight: straight, banked into a turn, turned.
    const struct { float bank, heading; const char* label; } poses[] = {
        {0, 0, "level"}, {24, 0, "banked"}, {-24, 135, "turned"}};
    for (const std::string& file : ships) {
        auto model = r.load(file);
        ASSERT_TRUE(model);
        for (const auto& pose : poses) {
            const std::string name = stem(file) + "_" + pose.label;
            const ViewResult v = drawView(r, *model, placement(1, kTilt, pose.bank, pose.heading, 0, 0, kPlayPlane),
                                          kPlayPlane - 20, name);
            checkView(v, kShipExpect, name);
        }
    }
}

TEST(AssetRender, TheThreeShipsDifferAtAGlance) {
    RenderFixture r;
    const auto ships = shipMeshes();
    ASSERT_EQ(ships.size(), 3u);
    std::vector<Frame> views;
    for (const std::string& file : ships) {
        auto model = r.load(file);
        ASSERT_TRUE(model);
        views.push_back(r.draw(*model, placement(1, kTilt, 0, 0, 0, 0, kPlayPlane), kPlayPlane - 20));
    }
    for (size_t a = 0; a < views.size(); ++a)
        for (size_t b = a + 1; b < views.size(); ++b) {
            SCOPED_TRACE(ships[a] + " against " + ships[b]);
            const double shared = overlap(views[a], views[b]), colour = colourDistance(views[a], views[b]);
            EXPECT_LT(shared, 0.7) << "outlines nearly the same";
            EXPECT_GT(colour, 30.0) << "colours nearly the same";
        }
}

// In play the planet passes behind the ship: where they overlap, the ship
// must stand out, brighter than the planet it hides.
TEST(AssetRender, ShipsStandOutAgainstThePlanetBehind) {
    RenderFixture r;
    auto planet = r.load("planet1.x");
    ASSERT_TRUE(planet);
    for (const std::string& file : shipMeshes()) {
        auto ship = r.load(file);
        ASSERT_TRUE(ship);
        for (float turn : {0.0f, 90.0f, 180.0f, 270.0f}) {
            SCOPED_TRACE(file + " over the planet turned " + std::to_string(int(turn)));
            const Frame shipAlone = r.draw(*ship, placement(1, kTilt, 0, 0, 0, 0, kPlayPlane), -100);
            const Frame planetAlone = r.draw(*planet, placement(1, 0, turn, 0, 0, 0, 350), -100);
            double shipSum = 0, planetSum = 0;
            size_t n = 0;
            for (int y = 0; y < shipAlone.height; ++y)
                for (int x = 0; x < shipAlone.width; ++x)
                    if (shipAlone.covered(x, y) && planetAlone.covered(x, y)) {
                        shipSum += luminance(shipAlone.pixels[size_t(y) * shipAlone.width + x]);
                        planetSum += luminance(planetAlone.pixels[size_t(y) * planetAlone.width + x]);
                        ++n;
                    }
            ASSERT_GT(n, 50u);
            EXPECT_GT(shipSum / double(n), 1.4 * planetSum / double(n));
        }
    }
}

// The ship-select screen turns the chosen ship at the origin, tilted
// toward a camera 50 units away, inside the window its picture leaves
// open (texels 26..230 by 27..185 of the 256 x 217 picture centred on the
// screen): every angle of the turn must stay inside that window.
TEST(AssetRender, ShipsTurnInsideTheShipSelectWindow) {
    RenderFixture r;
    const auto ships = shipMeshes();
    ASSERT_EQ(ships.size(), 3u);
    const int left = 400 - 128 + 26, top = 300 - 108 + 27, right = 400 - 128 + 230, bottom = 300 - 108 + 185;
    for (const std::string& file : ships) {
        auto model = r.load(file);
        ASSERT_TRUE(model);
        for (float spin = 0; spin < 360; spin += 30) {
            SCOPED_TRACE(file + " at " + std::to_string(int(spin)));
            const D3DXMATRIX world = placement(1, -45, spin, 0, 0, 0, 0);
            const Frame f = r.draw(*model, world, -50);
            int x0, y0, x1, y1;
            ASSERT_TRUE(f.bounds(x0, y0, x1, y1));
            EXPECT_GE(x0, left);
            EXPECT_GE(y0, top);
            EXPECT_LE(x1, right);
            EXPECT_LE(y1, bottom);
            // Turned away, the top faces away from the light too and only the
            // ambient level is left; facing the player it must read well.
            if (spin <= 60 || spin >= 300) {
                EXPECT_GT(f.meanLuminance(), 45.0) << "too dark to choose by";
            }
            if (spin == 60) {
                r.draw(*model, world, -50, true, kSpace);
                RenderFixture::capture(stem(file) + "_select.png");
            }
        }
    }
}

// Rocks tumble, so every side must read as rock: lit from above, textured.
TEST(AssetRender, RockLooksLikeRockFromEverySide) {
    RenderFixture r;
    auto rock = r.load("kelvane1.x");
    ASSERT_TRUE(rock);
    const struct { float rotX, rotY; const char* label; } sides[] = {
        {0, 0, "front"}, {0, 120, "side"}, {90, 0, "top"}, {0, 240, "back"}};
    for (const auto& side : sides) {
        const std::string name = std::string("rock_") + side.label;
        const ViewResult v =
            drawView(r, *rock, placement(1, side.rotX, side.rotY, 0, 0, 0, kPlayPlane), kPlayPlane - 240, name);
        checkView(v, {0.08, 0.6, 45, 30, 0.06}, name);
        checkLitFromAbove(v, name);
    }
}

TEST(AssetRender, PlanetIsLitFromAboveAsItTurns) {
    RenderFixture r;
    auto planet = r.load("planet1.x");
    ASSERT_TRUE(planet);
    for (float turn : {0.0f, 120.0f, 240.0f}) {
        const std::string name = "planet_" + std::to_string(int(turn));
        // The game's camera distance: camera at z -100, planet at 350.
        const ViewResult v = drawView(r, *planet, placement(1, 0, turn, 0, 0, 0, 350), -100, name);
        checkView(v, {0.1, 0.5, 45, 20, 0.08}, name);  // hazed: scenery, not a target
        checkLitFromAbove(v, name);
    }
}

// The smaller models as the game turns them (top to the camera), each
// framed at its own size.
TEST(AssetRender, PropsAreLitAndTextured) {
    RenderFixture r;
    const struct { const char* file; float distance; Expect expect; } props[] = {
        {"blaster.x", 200, {0.03, 0.6, 50, 50, 0.0}},
        {"missle1.x", 100, {0.03, 0.6, 50, 35, 0.05}},
        {"shield.x", 90, {0.05, 0.6, 50, 35, 0.05}},
        {"powerup.x", 200, {0.05, 0.6, 50, 35, 0.05}},
    };
    for (const auto& prop : props) {
        auto model = r.load(prop.file);
        ASSERT_TRUE(model) << prop.file;
        for (float spin : {0.0f, 60.0f}) {
            const std::string name = stem(prop.file) + "_" + std::to_string(int(spin));
            const ViewResult v =
                drawView(r, *model, placement(1, kTilt, spin, 30, 0, 0, kPlayPlane), kPlayPlane - prop.distance, name);
            checkView(v, prop.expect, name);
        }
    }
}

// The play field at the game's starting camera distance, for looking at:
// the three ships, rocks of the smallest and largest size, shots, a
// missile, a power-up and the planet behind, all at the game's scales.
TEST(AssetRender, GameViewAtTheStartingDistance) {
    RenderFixture r;
    const auto ships = shipMeshes();
    ASSERT_EQ(ships.size(), 3u);
    std::vector<std::unique_ptr<Model>> models;
    std::vector<std::pair<const Model*, D3DXMATRIX>> scene;
    auto add = [&](const std::string& file, D3DXMATRIX world) {
        models.push_back(r.load(file));
        scene.push_back({models.back().get(), world});
    };
    add("planet1.x", placement(1, 0, 40, 0, 0, 0, 350));
    for (size_t i = 0; i < ships.size(); ++i)
        add(ships[i], placement(1, kTilt, 0, 0, -30.0f + 30.0f * float(i), 0, kPlayPlane));
    add("kelvane1.x", placement(0.16f, 30, 60, 0, -60, 40, kPlayPlane));
    add("kelvane1.x", placement(0.36f, 10, 200, 0, 60, 40, kPlayPlane));
    add("blaster.x", placement(0.05f, kTilt, 0, 90, -10, -30, kPlayPlane));
    add("missle1.x", placement({0.2f, 0.2f, 0.1f}, {kTilt, 0, 90}, {10, -30, kPlayPlane}));
    add("powerup.x", placement(0.3f, kTilt, 30, 0, 40, -30, kPlayPlane));
    EXPECT_GT(r.draw(scene, -100).coverage(), 0.05);
    Frame f = r.draw(scene, -100, kSpace);
    RenderFixture::capture("game_view.png");
    artcheck::saveCrop(f, 300, 225, 200, 150, 4, "game_view_zoom.png");
    // Most of the flight is over empty space, not the planet.
    scene.erase(scene.begin());
    f = r.draw(scene, -100, kSpace);
    artcheck::saveCrop(f, 300, 225, 200, 150, 4, "game_view_space_zoom.png");
}

}  // namespace
