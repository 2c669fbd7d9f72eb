// The loading screen, drawn with the game's own pictures and read back from
// the renderer: the picture over the whole screen, the half-transparent
// panel over it, and the row of progress squares.
#include "LoadScreen.h"

#include "host.h"
#include "screen_fixture.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using screentest::channelDistance;
using screentest::Frame;
using screentest::ScreenTest;

const char* const kBackground = "media\\loadscreen.bmp";
const char* const kPanel = "media\\loading.bmp";
const char* const kIndicator = "media\\indicator.bmp";
const char* const kMissing = "media\\no_such_picture.bmp";

int sum(uint32_t p) { return screentest::red(p) + screentest::green(p) + screentest::blue(p); }

class LoadScreenTest : public ScreenTest {
protected:
    void init() {
        ASSERT_EQ(m_screen->Init(device(), &m_camera, kBackground, kPanel, kIndicator), 1);
    }
    Frame draw(int steps, int total, D3DCOLOR clear = 0xFF000000) {
        beginFrame(clear);
        m_screen->Draw(steps, total);
        return endFrame();
    }

    void SetUp() override {
        ScreenTest::SetUp();
        m_screen = std::make_unique<CLoadScreen>();
    }
    void TearDown() override {
        m_screen.reset();  // its pictures go before the device
        ScreenTest::TearDown();
    }

    std::unique_ptr<CLoadScreen> m_screen;
};

TEST_F(LoadScreenTest, InitSaysWhetherEveryPictureWasMade) {
    struct Case {
        const char* name;
        const char *background, *panel, *indicator;
        int expected;
    };
    const Case cases[] = {
        {"all three", kBackground, kPanel, kIndicator, 1},
        {"no background", kMissing, kPanel, kIndicator, 0},
        {"no panel", kBackground, kMissing, kIndicator, 0},
        {"no indicator", kBackground, kPanel, kMissing, 0},
    };
    for (const Case& c : cases) {
        CLoadScreen screen;
        EXPECT_EQ(screen.Init(device(), &m_camera, c.background, c.panel, c.indicator),
                  c.expected)
            << c.name;
        EXPECT_EQ(screen.m_pDevice, device()) << c.name;
        EXPECT_EQ(screen.m_pCamera, &m_camera) << c.name;
    }
}

TEST_F(LoadScreenTest, PanelIsHalfTransparentOverTheWholeScreenPicture) {
    init();
    const D3DCOLOR magenta = 0xFFFF00FF;
    const Frame full = draw(0, 13, magenta);
    beginFrame(magenta);
    m_screen->m_Background.Draw(nullptr);
    const Frame background = endFrame();
    beginFrame(0xFF000000);
    m_screen->m_Bar.Draw(nullptr);
    const Frame panel = endFrame();
    m_screen->m_Bar.m_dwColour = 0xFFFFFFFF;
    beginFrame(0xFF000000);
    m_screen->m_Bar.Draw(nullptr);
    const Frame opaquePanel = endFrame();

    EXPECT_EQ(std::count(full.pixels.begin(), full.pixels.end(), 0xFFFF00FFu), 0)
        << "the picture covers the screen";
    int blended = 0, overBrightPicture = 0;
    for (int y = 0; y < 600; y += 4)
        for (int x = 0; x < 800; x += 4) {
            const bool onPanel = x >= 272 && x < 528 && y >= 172 && y < 428;
            const uint32_t p = panel.at(x, y), b = background.at(x, y), f = full.at(x, y);
            if (!onPanel || p == 0xFF000000u) {
                ASSERT_EQ(f, b) << x << "," << y << " shows the picture alone";
                continue;
            }
            if (sum(p) < 60) continue;  // the panel's near-black ink
            ++blended;
            if (sum(b) > 90) ++overBrightPicture;
            // Half of the panel's colour over half of the picture's.
            for (int shift : {16, 8, 0}) {
                const int expected = ((b >> shift) & 0xFF) * 127 / 255 + ((p >> shift) & 0xFF);
                ASSERT_NEAR(int((f >> shift) & 0xFF), expected, 3) << x << "," << y;
                ASSERT_NEAR(int((opaquePanel.at(x, y) >> shift) & 0xFF),
                            2 * int((p >> shift) & 0xFF), 3)
                    << x << "," << y;
            }
        }
    EXPECT_GT(blended, 1000);
    EXPECT_GT(overBrightPicture, 10) << "too little of the picture under the panel to see it";
}

// Where the row's squares are drawn, each 16 pixels wide and high (rows 420
// to 435), centred on the given x and on y = 428.
struct RowCase {
    const char* name;
    int steps, total;
    std::vector<int> centres;
};

std::vector<int> rowOf13(int count) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i) out.push_back(280 + 19 * i);
    return out;
}

TEST_F(LoadScreenTest, RowShowsOneSquarePerFinishedStep) {
    init();
    const RowCase cases[] = {
        {"none done", 0, 13, {}},
        {"first step", 1, 13, {280}},
        {"seven of 13", 7, 13, rowOf13(7)},
        {"all 13", 13, 13, rowOf13(13)},
        {"more steps than the total go on past the row", 15, 13, rowOf13(15)},
        {"two steps of two", 2, 2, {280, 408}},
        {"total past 256 stacks them", 3, 300, {280}},
        {"total 0", 5, 0, {}},
        {"negative total", 5, -4, {}},
        {"negative steps", -3, 13, {}},
    };
    // Every place a square could wrongly land: the row of 13, the second
    // square of a row of two, and the 14th and 15th of a row of 13.
    std::vector<int> probes = rowOf13(13);
    for (int x : {408, 527, 546}) probes.push_back(x);

    const Frame empty = draw(0, 13);
    for (const RowCase& c : cases) {
        const Frame frame = draw(c.steps, c.total);
        auto covered = [&](int x, int y) {
            return channelDistance(frame.at(x, y), empty.at(x, y));
        };
        for (int x : probes) {
            const bool expected =
                std::any_of(c.centres.begin(), c.centres.end(),
                            [x](int centre) { return x >= centre - 8 && x < centre + 8; });
            if (expected)
                EXPECT_GT(covered(x, 428), 24) << c.name << ": a square at " << x;
            else
                EXPECT_EQ(covered(x, 428), 0) << c.name << ": no square at " << x;
        }
        for (int x : c.centres) {
            for (int edge : {x - 8, x + 7}) EXPECT_GT(covered(edge, 428), 24) << c.name << " " << x;
            for (int edge : {x - 9, x + 8}) EXPECT_EQ(covered(edge, 428), 0) << c.name << " " << x;
            for (int row : {420, 435}) EXPECT_GT(covered(x, row), 24) << c.name << " " << x;
            for (int row : {419, 436}) EXPECT_EQ(covered(x, row), 0) << c.name << " " << x;
        }
    }

    // Half-transparent: what lies under a square still shows through.
    const Frame one = draw(1, 13);
    beginFrame(0xFF000000);
    m_screen->m_Indicator.Draw(nullptr);  // still at the first square's place
    const Frame alone = endFrame();
    for (int x : {274, 280, 286})
        for (int shift : {16, 8, 0}) {
            const int under = int((empty.at(x, 428) >> shift) & 0xFF);
            const int square = int((alone.at(x, 428) >> shift) & 0xFF);
            EXPECT_NEAR(int((one.at(x, 428) >> shift) & 0xFF), under * 127 / 255 + square, 3) << x;
        }
}

TEST_F(LoadScreenTest, SeventhStepScreenshot) {
    init();
    draw(7, 13);
    EXPECT_TRUE(host::captureBackBuffer(testenv::outputPath("loading_screen.png")));
}

}  // namespace
