// The star field: how stars move against the camera and wrap at the screen
// edges, the first-frame rule, the order of the random numbers that place
// them, and where they show on the screen.
#include "StarField.h"

#include "dirty_heap.h"
#include "screen_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using screentest::Frame;
using screentest::ScreenTest;

const int kStars = 150;

// A star's brightness and parallax for each of the ten random brightness
// steps, and the alpha of its colour.
const float kBrightness[10] = {0.2f, 0.25f, 0.3f, 0.35f, 0.4f, 0.45f, 0.5f, 0.55f, 0.6f, 0.65f};
const int kAlphas[10] = {51, 64, 77, 89, 102, 115, 128, 140, 153, 166};

// A field of one star at (x, y) with the given parallax, moved by a camera
// that is not loaded with a sprite (it draws nothing).
struct OneStar {
    OneStar(CCamera* camera, float x, float y, float parallax) : field(1) {
        field.m_pCamera = camera;
        field.Add(x, y, 1.0f, 0.3f, 0.3f, parallax, 0xFFFFFFFF);
    }
    SStar& star() { return field.m_pStars[0]; }
    CStarField field;
};

// ---------------------------------------------------------------- records

TEST(StarFieldRecords, StartFreeAndZeroed) {
    // Leave a freed block of the records' size full of garbage, which the
    // allocator is likely to hand out again.
    dirtyHeap(4 * sizeof(SStar));

    CStarField field(3);
    EXPECT_EQ(field.m_nCount, 3);
    EXPECT_EQ(field.m_bFirstFrame, 1);
    EXPECT_EQ(field.m_pDevice, nullptr);
    EXPECT_EQ(field.m_pCamera, nullptr);
    EXPECT_EQ(field.m_fLastCamX, 0.0f);
    EXPECT_EQ(field.m_fLastCamY, 0.0f);
    const SStar zero{};
    for (int i = 0; i <= 3; ++i)
        EXPECT_EQ(std::memcmp(&field.m_pStars[i], &zero, sizeof(SStar)), 0) << "record " << i;
}

TEST(StarFieldRecords, AddTakesTheLowestFreeRecordAndStopsWhenFull) {
    CStarField field(3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(field.Add(10.0f * i, 5.0f, 1.0f, 0.3f, 0.3f, 0.25f, 0x40FFFFFF), 1);
    srand(7);
    const int next = rand();
    srand(7);
    EXPECT_EQ(field.Add(99.0f, 99.0f, 1.0f, 0.3f, 0.3f, 0.5f, 0xFFFFFFFF), 0);
    EXPECT_EQ(rand(), next) << "a full field draws no random number";
    EXPECT_EQ(field.m_pStars[3].m_bActive, 0) << "the spare record is never used";

    field.Kill(1);
    EXPECT_EQ(field.Add(42.0f, 43.0f, 1.0f, 0.3f, 0.3f, 0.5f, 0x80FFFFFF), 1);
    EXPECT_EQ(field.m_pStars[1].m_fX, 42.0f);
    EXPECT_EQ(field.m_pStars[1].m_fY, 43.0f);
    EXPECT_EQ(field.m_pStars[1].m_fParallax, 0.5f);
    EXPECT_EQ(field.m_pStars[1].m_Colour, 0x80FFFFFFu);
    EXPECT_EQ(field.m_pStars[0].m_fX, 0.0f);
    EXPECT_EQ(field.m_pStars[2].m_fX, 20.0f);
}

TEST(StarFieldRecords, KillOutsideTheFieldTouchesNothing) {
    CStarField field(2);
    field.Add(1.0f, 2.0f, 1.0f, 0.3f, 0.3f, 0.5f, 0xFFFFFFFF);
    field.Add(3.0f, 4.0f, 1.0f, 0.3f, 0.3f, 0.5f, 0xFFFFFFFF);
    for (int index : {-1, 2, 3, 1000}) field.Kill(index);
    EXPECT_EQ(field.m_pStars[0].m_bActive, 1);
    EXPECT_EQ(field.m_pStars[1].m_bActive, 1);
    EXPECT_EQ(field.Add(5.0f, 6.0f, 1.0f, 0.3f, 0.3f, 0.5f, 0xFFFFFFFF), 0);
}

// ---------------------------------------------------------------- motion

struct WrapCase {
    const char* name;
    float x, y;                 // before the draw
    float cameraDx, cameraDy;   // camera move since the previous draw
    float expectedX, expectedY;
};

const WrapCase kWraps[] = {
    {"just left of 0", -0.5f, 300.0f, 0, 0, 800.0f, 300.0f},
    {"just past 800", 800.25f, 300.0f, 0, 0, 0.0f, 300.0f},
    {"exactly 0 stays", 0.0f, 300.0f, 0, 0, 0.0f, 300.0f},
    {"exactly 800 stays", 800.0f, 300.0f, 0, 0, 800.0f, 300.0f},
    {"just above 0", 400.0f, -0.5f, 0, 0, 400.0f, 600.0f},
    {"just below 600", 400.0f, 600.25f, 0, 0, 400.0f, 0.0f},
    {"y exactly 0 stays", 400.0f, 0.0f, 0, 0, 400.0f, 0.0f},
    {"y exactly 600 stays", 400.0f, 600.0f, 0, 0, 400.0f, 600.0f},
    {"both corners out", -3.0f, -3.0f, 0, 0, 800.0f, 600.0f},
    {"both past the far edges", 801.0f, 601.0f, 0, 0, 0.0f, 0.0f},
    // Moved out by the camera (parallax 0.5): 2 - 10 * 0.5 and 598 + 10 * 0.5.
    {"camera pushes it off the left", 2.0f, 300.0f, 10, 0, 800.0f, 300.0f},
    {"camera pushes it off the bottom", 400.0f, 598.0f, 0, 10, 400.0f, 0.0f},
    {"camera pushes it off the right", 797.0f, 300.0f, -10, 0, 0.0f, 300.0f},
    {"camera pushes it off the top", 400.0f, 3.0f, 0, -10, 400.0f, 600.0f},
    {"camera moves it onto the edge", 5.0f, 595.0f, 10, 10, 0.0f, 600.0f},
};

TEST(StarFieldMotion, StarsLeavingTheScreenComeBackAtTheOppositeEdge) {
    for (const WrapCase& c : kWraps) {
        CCamera camera;
        OneStar one(&camera, c.x, c.y, 0.5f);
        one.field.m_bFirstFrame = 0;
        one.field.m_fLastCamX = 0.0f;
        one.field.m_fLastCamY = 0.0f;
        camera.m_fX = c.cameraDx;
        camera.m_fY = c.cameraDy;
        one.field.UpdateAndDraw();
        EXPECT_EQ(one.star().m_fX, c.expectedX) << c.name;
        EXPECT_EQ(one.star().m_fY, c.expectedY) << c.name;
    }
}

TEST(StarFieldMotion, EachBrightnessMovesAtItsOwnRateAgainstTheCamera) {
    CCamera camera;
    camera.m_fX = 5.0f;
    camera.m_fY = 7.0f;
    CStarField field(10);
    field.m_pCamera = &camera;
    float parallax[10];
    for (int k = 0; k < 10; ++k) {
        parallax[k] = kBrightness[k];
        field.Add(400.0f, 300.0f, 1.0f, 0.3f, 0.3f, parallax[k], 0xFFFFFFFF);
    }
    field.UpdateAndDraw();  // first frame: the reference only

    camera.m_fX += 10.0f;
    camera.m_fY += 10.0f;
    field.UpdateAndDraw();
    for (int k = 0; k < 10; ++k) {
        EXPECT_FLOAT_EQ(field.m_pStars[k].m_fX, 400.0f - 10.0f * parallax[k]) << k;
        EXPECT_FLOAT_EQ(field.m_pStars[k].m_fY, 300.0f + 10.0f * parallax[k]) << k;
    }
    EXPECT_EQ(field.m_pStars[6].m_fX, 395.0f) << "parallax 0.5, camera +10 in x";
    EXPECT_EQ(field.m_pStars[6].m_fY, 305.0f) << "parallax 0.5, camera +10 in y";

    // The next move counts from where the camera was at the last draw.
    camera.m_fX -= 4.0f;
    field.UpdateAndDraw();
    for (int k = 0; k < 10; ++k)
        EXPECT_FLOAT_EQ(field.m_pStars[k].m_fX, 400.0f - 6.0f * parallax[k]) << k;
    EXPECT_EQ(field.m_fLastCamX, 11.0f);
    EXPECT_EQ(field.m_fLastCamY, 17.0f);
}

TEST(StarFieldMotion, FirstDrawAndDrawAfterScatterMoveNoStar) {
    CCamera camera;
    camera.m_fX = 250.0f;  // far from the reference a new field starts with
    camera.m_fY = -120.0f;
    OneStar one(&camera, 100.0f, 200.0f, 0.5f);
    one.field.UpdateAndDraw();
    EXPECT_EQ(one.star().m_fX, 100.0f);
    EXPECT_EQ(one.star().m_fY, 200.0f);
    EXPECT_EQ(one.field.m_bFirstFrame, 0);

    // The new game's camera jump after Scatter moves nothing either...
    one.field.Scatter();
    camera.m_fX = 0.0f;
    camera.m_fY = 0.0f;
    one.field.UpdateAndDraw();
    EXPECT_EQ(one.star().m_fX, 100.0f);
    EXPECT_EQ(one.star().m_fY, 200.0f);

    // ...but the same jump without it does.
    camera.m_fX = 20.0f;
    one.field.UpdateAndDraw();
    EXPECT_EQ(one.star().m_fX, 90.0f);
}

TEST(StarFieldMotion, DrawBeforeLoadDoesNothing) {
    CStarField field(2);
    field.Add(10.0f, 20.0f, 1.0f, 0.3f, 0.3f, 0.5f, 0xFFFFFFFF);
    field.UpdateAndDraw();  // no camera yet
    EXPECT_EQ(field.m_pStars[0].m_fX, 10.0f);
    EXPECT_EQ(field.m_bFirstFrame, 1);
}

// ---------------------------------------------------------------- placing

// The stars a fill from `seed` should give: per star brightness k, then y,
// then x, then the frame.
struct Expected {
    float x, y, parallax;
    D3DCOLOR colour;
    int frame;
};

std::vector<Expected> replayFill(unsigned seed, int count) {
    srand(seed);
    std::vector<Expected> out;
    for (int i = 0; i < count; ++i) {
        const int k = rand() % 10;
        const float y = (float)(rand() % 600);
        const float x = (float)(rand() % 800);
        const int frame = rand() % 3;
        out.push_back({x, y, kBrightness[k], (D3DCOLOR(kAlphas[k]) << 24) | 0xFFFFFF,
                       frame});
    }
    return out;
}

class StarFieldScreen : public ScreenTest {};

TEST_F(StarFieldScreen, LoadPlacesEveryStarFromTheRandomNumbersInOrder) {
    const std::vector<Expected> expected = replayFill(1234, kStars);
    const int nextAfterLoad = rand();

    srand(1234);
    CStarField field(kStars);
    EXPECT_EQ(field.Load(device(), &m_camera), 1);
    EXPECT_EQ(rand(), nextAfterLoad) << "four numbers per star";
    EXPECT_EQ(field.m_pDevice, device());
    EXPECT_EQ(field.m_pCamera, &m_camera);
    for (int i = 0; i < kStars; ++i) {
        const SStar& s = field.m_pStars[i];
        ASSERT_EQ(s.m_bActive, 1) << i;
        EXPECT_EQ(s.m_fX, expected[i].x) << i;
        EXPECT_EQ(s.m_fY, expected[i].y) << i;
        EXPECT_EQ(s.m_fZ, 1.0f) << i;
        EXPECT_EQ(s.m_fParallax, expected[i].parallax) << i;
        EXPECT_EQ(s.m_Colour, expected[i].colour) << i;
        EXPECT_EQ(s.m_nFrame, expected[i].frame) << i;
    }
    EXPECT_EQ(field.m_pStars[kStars].m_bActive, 0);

    // The same seed gives the same field.
    srand(1234);
    CStarField again(kStars);
    again.Load(device(), &m_camera);
    EXPECT_EQ(std::memcmp(again.m_pStars, field.m_pStars, kStars * sizeof(SStar)), 0);
}

TEST_F(StarFieldScreen, ScatterOnAFullFieldKeepsTheStarsAndUsesThreeNumbersEach) {
    srand(99);
    CStarField field(kStars);
    field.Load(device(), &m_camera);
    const std::vector<SStar> before(field.m_pStars, field.m_pStars + kStars + 1);
    field.UpdateAndDraw();
    m_camera.m_fX = 40.0f;  // the new game's jump
    srand(5);
    for (int i = 0; i < 3 * kStars; ++i) rand();
    const int nextAfterScatter = rand();

    srand(5);
    field.Scatter();
    EXPECT_EQ(rand(), nextAfterScatter);
    EXPECT_EQ(field.m_bFirstFrame, 1);
    EXPECT_EQ(std::memcmp(before.data(), field.m_pStars, (kStars + 1) * sizeof(SStar)), 0);
    field.UpdateAndDraw();
    EXPECT_EQ(std::memcmp(before.data(), field.m_pStars, (kStars + 1) * sizeof(SStar)), 0);
}

TEST_F(StarFieldScreen, LoadWithoutTheStarSheetSaysSoAndStillPlacesTheStars) {
    leaveRunDir();
    srand(1234);
    CStarField field(kStars);
    EXPECT_EQ(field.Load(device(), &m_camera), 0);
    const std::vector<Expected> expected = replayFill(1234, kStars);
    for (int i = 0; i < kStars; ++i) {
        EXPECT_EQ(field.m_pStars[i].m_bActive, 1) << i;
        EXPECT_EQ(field.m_pStars[i].m_fX, expected[i].x) << i;
    }
    beginFrame(0xFF000000);
    field.UpdateAndDraw();
    const Frame frame = endFrame();
    for (uint32_t p : frame.pixels) ASSERT_EQ(p & 0xFFFFFF, 0u) << "no star without its sheet";
}

// The brightest pixel of a frame.
void brightest(const Frame& frame, int* bx, int* by) {
    int best = -1;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const uint32_t p = frame.at(x, y);
            const int sum = screentest::red(p) + screentest::green(p) + screentest::blue(p);
            if (sum > best) best = sum, *bx = x, *by = y;
        }
}

TEST_F(StarFieldScreen, StarsShowWhereTheyMovedAndWrapped) {
    CStarField field(1);
    ASSERT_EQ(field.Load(device(), &m_camera), 1);
    SStar& star = field.m_pStars[0];
    star.m_fX = 100.0f;
    star.m_fY = 100.0f;
    star.m_nFrame = 1;  // the 2 x 2 dot
    star.m_fParallax = 0.5f;
    star.m_Colour = 0xA6FFFFFF;

    struct Step {
        float cameraX, cameraY;
        int x, y;  // where the star's centre is drawn
    };
    // 100 - 20 * 0.5 = 90; 90 - 190 * 0.5 = -5 -> 800; 100 + 1000 * 0.5 = 600
    // stays; 600 + 1 * 0.5 -> 0.
    const Step steps[] = {{0, 0, 100, 100}, {20, 0, 90, 100}, {210, 0, 800, 100},
                          {210, 1000, 800, 600}, {210, 1001, 800, 0}};
    for (const Step& s : steps) {
        m_camera.m_fX = s.cameraX;
        m_camera.m_fY = s.cameraY;
        beginFrame(0xFF000000);
        field.UpdateAndDraw();
        const Frame frame = endFrame();
        // The sprite is handed the star's depth and colour as well as its place.
        EXPECT_EQ(field.m_Sprite.m_fZ, 1.0f);
        EXPECT_EQ(field.m_Sprite.m_dwColour, 0xA6FFFFFFu);
        int bx = -1, by = -1;
        brightest(frame, &bx, &by);
        EXPECT_GE(screentest::red(frame.at(bx, by)), 120) << s.x << "," << s.y;
        EXPECT_NEAR(bx, s.x, 2) << "camera " << s.cameraX << "," << s.cameraY;
        EXPECT_NEAR(by, s.y, 2) << "camera " << s.cameraX << "," << s.cameraY;
    }
}

}  // namespace
