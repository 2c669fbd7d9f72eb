// The sprite: sheet arithmetic, the image copy that cuts out zero texels,
// what each mode draws and what it leaves on the device, and images that
// cannot be loaded.
#include "Sprite.h"

#include "Camera.h"
#include "drawing_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using drawtest::DrawingTest;
using drawtest::Rgb;

// ---------------------------------------------------------------- sheet arithmetic

struct SheetCase {
    const char* name;
    int texW, texH, columns, rows, frameW, frameH, frame;
    float uL, vT, uR, vB;  // in texels
};

const SheetCase kSheets[] = {
    {"button frame 0", 256, 64, 2, 1, 40, 20, 0, 2, 2, 40, 20},
    {"button frame 1", 256, 64, 2, 1, 40, 20, 1, 43, 2, 81, 20},
    {"explosion frame 5", 256, 128, 6, 1, 32, 32, 5, 167, 2, 197, 32},
    // From the column count on, the top edge moves down a row.
    {"explosion frame 6", 256, 128, 6, 1, 32, 32, 6, 200, 35, 230, 65},
    {"star frame 2", 32, 32, 3, 1, 8, 8, 2, 20, 2, 26, 8},
    // The horizontal position divides by the row count.
    {"four columns, two rows, frame 5", 64, 64, 4, 2, 10, 10, 5, 24, 13, 32, 21},
};

TEST(SpriteSheet, FramePositionsFollowTheSheetArithmetic) {
    for (const SheetCase& c : kSheets) {
        CSprite sprite;
        sprite.m_nColumns = c.columns;
        sprite.m_nRows = c.rows;
        sprite.m_nFrameWidth = c.frameW;
        sprite.m_nFrameHeight = c.frameH;
        EXPECT_EQ(sprite.FrameX(c.frame), c.uL) << c.name;
        EXPECT_EQ(sprite.FrameY(c.frame), c.vT) << c.name;
    }
    CSprite degenerate;  // no rows or columns: counted as one, no division by zero
    degenerate.m_nFrameWidth = 8;
    degenerate.m_nFrameHeight = 8;
    EXPECT_EQ(degenerate.FrameX(2), 20.0f);
    EXPECT_EQ(degenerate.FrameY(2), 20.0f);
}

class SpriteTest : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        if (HasFatalFailure()) return;
        requireResources();
        if (HasFatalFailure()) return;
        m_camera.Init(device(), window());
    }

    // A screen sprite over the two-frame sheet (`sheetTexel`) written to `file`.
    int createSheetSprite(CSprite& sprite, const std::string& file, DWORD colour = 0xFFFFFFFF) {
        return sprite.Create(device(), &m_camera, file.c_str(), 64, 32, 2, 1, 20, 20, 2, colour, SPRITE_SCREEN);
    }

    template <class Vertex>
    std::vector<Vertex> quad(CSprite& sprite) {
        std::vector<Vertex> out(4);
        BYTE* data = nullptr;
        sprite.m_pVertexBuffer->Lock(0, 4 * sizeof(Vertex), &data, 0);
        if (data) std::memcpy(out.data(), data, 4 * sizeof(Vertex));
        sprite.m_pVertexBuffer->Unlock();
        return out;
    }

    std::vector<uint32_t> texels(IDirect3DTexture8* texture, int width, int height) {
        std::vector<uint32_t> out;
        D3DLOCKED_RECT rect = {0, nullptr};
        texture->LockRect(0, &rect, nullptr, 0);
        if (!rect.pBits) return out;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint32_t t;
                std::memcpy(&t, static_cast<BYTE*>(rect.pBits) + y * rect.Pitch + 4 * x, 4);
                out.push_back(t);
            }
        texture->UnlockRect(0);
        return out;
    }

    // A texture filled by the test, for the opaque mode.
    IDirect3DTexture8* makeTexture(int width, int height, uint32_t (*texel)(int x, int y)) {
        IDirect3DTexture8* texture = nullptr;
        device()->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture);
        if (!texture) return nullptr;
        D3DLOCKED_RECT rect = {0, nullptr};
        texture->LockRect(0, &rect, nullptr, 0);
        for (int y = 0; y < height && rect.pBits; ++y)
            for (int x = 0; x < width; ++x) {
                const uint32_t t = texel(x, y);
                std::memcpy(static_cast<BYTE*>(rect.pBits) + y * rect.Pitch + 4 * x, &t, 4);
            }
        texture->UnlockRect(0);
        return texture;
    }

    CCamera m_camera;
};

TEST_F(SpriteTest, ScreenQuadCarriesTheFramesTextureRectangle) {
    if (HasFatalFailure()) return;
    const std::string file =
        drawtest::writeBmp("uv_sheet.bmp", 16, 16, [](int, int) { return Rgb{9, 9, 9}; });
    for (const SheetCase& c : kSheets) {
        CSprite sprite;
        sprite.m_fX = 100.0f;
        sprite.m_fY = 50.0f;
        ASSERT_EQ(sprite.Create(device(), &m_camera, file.c_str(), c.texW, c.texH, c.columns,
                                c.rows, c.frameW, c.frameH, 6, 0xC0FFFFFF, SPRITE_SCREEN),
                  1);
        sprite.m_nFrame = c.frame;
        sprite.m_fZ = 0.5f;
        sprite.Draw(nullptr);
        const std::vector<SScreenVertex> v = quad<SScreenVertex>(sprite);
        const float left = 100.0f - c.frameW / 2.0f, top = 50.0f - c.frameH / 2.0f;
        const float expected[4][4] = {{left, top, c.uL, c.vT},
                                      {left, top + c.frameH, c.uL, c.vB},
                                      {left + c.frameW, top, c.uR, c.vT},
                                      {left + c.frameW, top + c.frameH, c.uR, c.vB}};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(v[i].x, expected[i][0]) << c.name << " corner " << i;
            EXPECT_EQ(v[i].y, expected[i][1]) << c.name << " corner " << i;
            EXPECT_FLOAT_EQ(v[i].tu, expected[i][2] / c.texW) << c.name << " corner " << i;
            EXPECT_FLOAT_EQ(v[i].tv, expected[i][3] / c.texH) << c.name << " corner " << i;
            EXPECT_EQ(v[i].z, 0.5f);
            EXPECT_EQ(v[i].rhw, 1.0f);
            EXPECT_EQ(v[i].diffuse, 0xC0FFFFFFu);
        }
    }
}

TEST_F(SpriteTest, ImageCopyMakesNonZeroTexelsOpaqueAndLeavesZerosClear) {
    if (HasFatalFailure()) return;
    const std::string file = drawtest::writeBmp("copy.bmp", 8, 4, [](int x, int y) {
        if (x == 0) return Rgb{0, 0, 0};
        if (x == 1) return Rgb{0, 0, 1};  // nearly black is not black
        return Rgb{uint8_t(10 * x), uint8_t(20 * y), 200};
    });
    // The texture is larger than the image: the copy stops at the image.
    CSprite sprite;
    ASSERT_EQ(sprite.Create(device(), &m_camera, file.c_str(), 16, 8, 1, 1, 8, 4, 1, 0xFFFFFFFF,
                            SPRITE_SCREEN),
              1);
    const std::vector<uint32_t> t = texels(sprite.m_pTexture, 16, 8);
    ASSERT_EQ(t.size(), 128u);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            uint32_t expected = 0;
            if (y < 4 && x == 1) expected = 0xFF000001;
            if (y < 4 && x >= 2 && x < 8)
                expected = 0xFF000000 | (uint32_t(10 * x) << 16) | (uint32_t(20 * y) << 8) | 200;
            EXPECT_EQ(t[y * 16 + x], expected) << x << "," << y;
        }

    // A texture smaller than the image takes only its own part.
    CSprite small;
    ASSERT_EQ(small.Create(device(), &m_camera, file.c_str(), 4, 2, 1, 1, 4, 2, 1, 0xFFFFFFFF,
                           SPRITE_BILLBOARD),
              1);
    const std::vector<uint32_t> s = texels(small.m_pTexture, 4, 2);
    EXPECT_EQ(s[0], 0u);
    EXPECT_EQ(s[3], 0xFF000000u | (30u << 16) | 200u);
    EXPECT_EQ(s[4 + 2], 0xFF000000u | (20u << 16) | (20u << 8) | 200u);
}

TEST_F(SpriteTest, MissingImageLeavesAClearTextureAndOtherModesCreateNothing) {
    if (HasFatalFailure()) return;
    CSprite missing;
    EXPECT_EQ(missing.Create(device(), &m_camera, "media\\no_such_image.bmp", 16, 16, 1, 1, 16,
                             16, 1, 0xFFFFFFFF, SPRITE_SCREEN),
              0);
    ASSERT_NE(missing.m_pTexture, nullptr);
    ASSERT_NE(missing.m_pVertexBuffer, nullptr);
    for (uint32_t t : texels(missing.m_pTexture, 16, 16)) EXPECT_EQ(t, 0u);

    const std::string file =
        drawtest::writeBmp("mode3.bmp", 4, 4, [](int, int) { return Rgb{1, 2, 3}; });
    for (int mode : {-1, 3, 7}) {
        CSprite odd;
        EXPECT_EQ(odd.Create(device(), &m_camera, file.c_str(), 4, 4, 1, 1, 4, 4, 1, 0xFFFFFFFF,
                             mode),
                  0);
        EXPECT_EQ(odd.m_pTexture, nullptr);
        EXPECT_EQ(odd.m_pVertexBuffer, nullptr);
        const D3DMATRIX marker = drawtest::translation(7, 7, 7);
        device()->SetTransform(D3DTS_PROJECTION, &marker);
        odd.Draw(nullptr);
        odd.SetScreenQuadUV(1, 1);
        D3DMATRIX projection;
        device()->GetTransform(D3DTS_PROJECTION, &projection);
        EXPECT_TRUE(drawtest::matricesNear(projection, marker, 0.0f));
    }
    CSprite never;  // drawn without ever being created
    never.Draw(nullptr);
}

TEST_F(SpriteTest, SetScreenQuadUVFlipsTheQuadAndLeavesBillboardsAlone) {
    if (HasFatalFailure()) return;
    const std::string file =
        drawtest::writeBmp("flip.bmp", 4, 4, [](int, int) { return Rgb{1, 2, 3}; });
    CSprite intro;
    intro.m_fX = 400.0f;
    intro.m_fY = 300.0f;
    intro.Create(device(), &m_camera, file.c_str(), 1024, 1024, 1, 1, 800, 600, 1, 0xFFFFFFFF,
                 SPRITE_OPAQUE);
    intro.SetScreenQuadUV(1.0f, 1.0f);
    const std::vector<SScreenVertex> v = quad<SScreenVertex>(intro);
    const float expected[4][4] = {{0, 600, 0, 0}, {0, 0, 0, 1}, {800, 600, 1, 0}, {800, 0, 1, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i].x, expected[i][0]) << i;
        EXPECT_EQ(v[i].y, expected[i][1]) << i;
        EXPECT_EQ(v[i].tu, expected[i][2]) << i;
        EXPECT_EQ(v[i].tv, expected[i][3]) << i;
        EXPECT_EQ(v[i].z, 1.0f);
    }

    CSprite billboard;
    billboard.Create(device(), &m_camera, file.c_str(), 4, 4, 1, 1, 4, 4, 1, 0xFFFFFFFF,
                     SPRITE_BILLBOARD);
    const std::vector<SBillboardVertex> before = quad<SBillboardVertex>(billboard);
    billboard.SetScreenQuadUV(1.0f, 1.0f);
    const std::vector<SBillboardVertex> after = quad<SBillboardVertex>(billboard);
    EXPECT_EQ(std::memcmp(before.data(), after.data(), 4 * sizeof(SBillboardVertex)), 0);
}

// ---------------------------------------------------------------- state left behind

const DWORD kUnchanged = 0xFFFFFFFF;

struct RenderStateRow {
    D3DRENDERSTATETYPE state;
    DWORD preset, afterScreen, afterBillboard, afterOpaque;
};

const RenderStateRow kRenderStates[] = {
    {D3DRS_LIGHTING, FALSE, TRUE, TRUE, TRUE},
    {D3DRS_ZENABLE, D3DZB_FALSE, D3DZB_TRUE, kUnchanged, D3DZB_TRUE},
    {D3DRS_ALPHABLENDENABLE, FALSE, TRUE, TRUE, FALSE},
    {D3DRS_SRCBLEND, D3DBLEND_ONE, D3DBLEND_SRCALPHA, D3DBLEND_SRCALPHA, kUnchanged},
    {D3DRS_DESTBLEND, D3DBLEND_ZERO, D3DBLEND_INVSRCALPHA, D3DBLEND_INVSRCALPHA, kUnchanged},
    {D3DRS_ALPHATESTENABLE, FALSE, TRUE, TRUE, kUnchanged},
    {D3DRS_ALPHAREF, 0x55, 16, 16, kUnchanged},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS, D3DCMP_GREATEREQUAL, D3DCMP_GREATEREQUAL, kUnchanged},
};

struct StageStateRow {
    D3DTEXTURESTAGESTATETYPE state;
    DWORD preset, afterScreen, afterBillboard, afterOpaque;
};

const StageStateRow kStageStates[] = {
    {D3DTSS_COLOROP, D3DTOP_SELECTARG2, D3DTOP_MODULATE, D3DTOP_MODULATE, kUnchanged},
    {D3DTSS_COLORARG1, D3DTA_DIFFUSE, D3DTA_TEXTURE, D3DTA_TEXTURE, kUnchanged},
    {D3DTSS_COLORARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTA_DIFFUSE, kUnchanged},
    {D3DTSS_ALPHAOP, D3DTOP_DISABLE, D3DTOP_SELECTARG1, D3DTOP_SELECTARG1, kUnchanged},
};

TEST_F(SpriteTest, EachModeLeavesExactlyItsStatesBehind) {
    if (HasFatalFailure()) return;
    const std::string file =
        drawtest::writeBmp("state.bmp", 16, 16, [](int, int) { return Rgb{50, 50, 50}; });
    IDirect3DTexture8* video = makeTexture(16, 16, [](int, int) { return 0xFF336699u; });
    ASSERT_NE(video, nullptr);

    const D3DMATRIX markerProjection = drawtest::translation(1, 2, 3);
    const D3DMATRIX markerWorld = drawtest::translation(4, 5, 6);
    using namespace drawtest;
    const D3DMATRIX view = multiply(multiply(rotationY(0.5f), rotationX(0.2f)), translation(3, -4, 60));

    for (int mode : {SPRITE_SCREEN, SPRITE_BILLBOARD, SPRITE_OPAQUE}) {
        CSprite sprite;
        sprite.m_fZ = 0.0f;
        ASSERT_EQ(sprite.Create(device(), &m_camera, file.c_str(), 16, 16, 1, 1, 16, 16, 1,
                                0xFFFFFFFF, mode),
                  1);
        for (const RenderStateRow& row : kRenderStates) device()->SetRenderState(row.state, row.preset);
        for (const StageStateRow& row : kStageStates)
            device()->SetTextureStageState(0, row.state, row.preset);
        device()->SetTransform(D3DTS_PROJECTION, &markerProjection);
        device()->SetTransform(D3DTS_WORLD, &markerWorld);
        device()->SetTransform(D3DTS_VIEW, &view);

        sprite.m_fX = 10.0f;
        sprite.m_fY = 20.0f;
        sprite.m_fZ = 30.0f;
        sprite.m_fScaleX = 2.0f;
        sprite.m_fScaleY = 3.0f;
        sprite.Draw(mode == SPRITE_OPAQUE ? &video : nullptr);

        for (const RenderStateRow& row : kRenderStates) {
            const DWORD expected = mode == SPRITE_SCREEN      ? row.afterScreen
                                   : mode == SPRITE_BILLBOARD ? row.afterBillboard
                                                              : row.afterOpaque;
            DWORD value = 0;
            device()->GetRenderState(row.state, &value);
            EXPECT_EQ(value, expected == kUnchanged ? row.preset : expected)
                << "mode " << mode << " render state " << row.state;
        }
        for (const StageStateRow& row : kStageStates) {
            const DWORD expected = mode == SPRITE_SCREEN      ? row.afterScreen
                                   : mode == SPRITE_BILLBOARD ? row.afterBillboard
                                                              : row.afterOpaque;
            DWORD value = 0;
            device()->GetTextureStageState(0, row.state, &value);
            EXPECT_EQ(value, expected == kUnchanged ? row.preset : expected)
                << "mode " << mode << " stage state " << row.state;
        }

        D3DMATRIX projection, world;
        device()->GetTransform(D3DTS_PROJECTION, &projection);
        device()->GetTransform(D3DTS_WORLD, &world);
        if (mode == SPRITE_BILLBOARD) {
            EXPECT_TRUE(matricesNear(projection, markerProjection, 0.0f));
            // Scale, then the view's rotation undone, then the position.
            D3DMATRIX facing{};
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) facing.m[r][c] = view.m[c][r];
            facing._44 = view._44;
            const D3DMATRIX expected =
                multiply(multiply(scaling(2, 3, 1), facing), translation(10, 20, 30));
            EXPECT_TRUE(matricesNear(world, expected, 1e-5f));
        } else {
            EXPECT_TRUE(matricesNear(projection, m_camera.m_matProj, 0.0f)) << "mode " << mode;
            EXPECT_TRUE(matricesNear(world, markerWorld, 0.0f)) << "mode " << mode;
        }

        DWORD shader = 1;
        device()->GetVertexShader(&shader);
        EXPECT_EQ(shader, 0u);
        IDirect3DBaseTexture8* bound = nullptr;
        device()->GetTexture(0, &bound);
        EXPECT_EQ(bound, mode == SPRITE_OPAQUE ? video : sprite.m_pTexture) << "mode " << mode;
        if (bound) bound->Release();
        IDirect3DVertexBuffer8* stream = nullptr;
        UINT stride = 0;
        device()->GetStreamSource(0, &stream, &stride);
        EXPECT_EQ(stream, sprite.m_pVertexBuffer);
        EXPECT_EQ(stride, mode == SPRITE_BILLBOARD ? 24u : 28u);
        if (stream) stream->Release();
        device()->SetTexture(0, nullptr);
        device()->SetStreamSource(0, nullptr, 0);
    }
    video->Release();
}

TEST_F(SpriteTest, OpaqueModeWithoutACallersTextureDrawsNothing) {
    if (HasFatalFailure()) return;
    const std::string file =
        drawtest::writeBmp("opaque_own.bmp", 4, 4, [](int, int) { return Rgb{1, 1, 1}; });
    CSprite sprite;
    ASSERT_EQ(sprite.Create(device(), &m_camera, file.c_str(), 4, 4, 1, 1, 4, 4, 1, 0xFFFFFFFF,
                            SPRITE_OPAQUE),
              1);
    device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    IDirect3DTexture8* none = nullptr;
    sprite.Draw(nullptr);
    sprite.Draw(&none);
    DWORD blending = 0;
    device()->GetRenderState(D3DRS_ALPHABLENDENABLE, &blending);
    EXPECT_EQ(blending, DWORD(TRUE));
}

// ---------------------------------------------------------------- pixels

const Rgb kMargin = {255, 0, 255};
const Rgb kFrame0 = {200, 60, 60};
const Rgb kFrame1 = {60, 200, 60};
const uint32_t kBackground = 0xFF000080;

// Two 20 x 20 frames in cells 21 wide. Each frame's first two rows and
// columns (never shown) are magenta; frame 1 has a black hole in its middle.
Rgb sheetTexel(int x, int y) {
    if (y >= 20) return {0, 0, 0};
    if (x < 20) return (x < 2 || y < 2) ? kMargin : kFrame0;
    if (x >= 21 && x < 41) {
        if (x < 23 || y < 2) return kMargin;
        if (x >= 29 && x < 35 && y >= 8 && y < 14) return {0, 0, 0};
        return kFrame1;
    }
    return {0, 0, 0};
}

uint32_t argb(Rgb c) { return 0xFF000000u | (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b; }

TEST_F(SpriteTest, ScreenSpriteShowsExactlyItsFramesTexelsAndCutsOutBlack) {
    requireDrawing();
    if (HasFatalFailure()) return;
    const std::string file = drawtest::writeBmp("sheet.bmp", 64, 32, sheetTexel);
    CSprite sprite;
    ASSERT_EQ(createSheetSprite(sprite, file), 1);
    sprite.m_fX = 100.0f;
    sprite.m_fY = 100.0f;
    sprite.m_nFrame = 1;
    beginFrame(kBackground);
    sprite.Draw(nullptr);
    endFrame();

    int frameTexels = 0, cutOut = 0;
    for (int y = 86; y < 114; ++y)
        for (int x = 86; x < 114; ++x) {
            const uint32_t p = pixel(x, y);
            const bool inside = x >= 91 && x < 109 && y >= 91 && y < 109;
            const bool outside = x < 89 || x >= 111 || y < 89 || y >= 111;
            if (outside) {
                EXPECT_TRUE(drawtest::near(p, kBackground, 0)) << x << "," << y << " " << drawtest::hex(p);
                continue;
            }
            // Edges may fall either way; nothing but the frame or the scene.
            const bool isFrame = drawtest::near(p, argb(kFrame1), 0);
            const bool isScene = drawtest::near(p, kBackground, 0);
            EXPECT_TRUE(isFrame || isScene) << x << "," << y << " " << drawtest::hex(p);
            if (inside && isFrame) ++frameTexels;
            if (inside && isScene) ++cutOut;
        }
    EXPECT_TRUE(drawtest::near(pixel(92, 92), argb(kFrame1), 0));
    EXPECT_TRUE(drawtest::near(pixel(107, 107), argb(kFrame1), 0));
    EXPECT_TRUE(drawtest::near(pixel(99, 99), kBackground, 0)) << "the black hole is cut out";
    // The 6 x 6 texel hole spans about 6.7 pixels each way.
    EXPECT_GE(cutOut, 25);
    EXPECT_LE(cutOut, 64);
    EXPECT_GE(frameTexels, 18 * 18 - 64);
    if (HasFailure()) saveFrame("sprite_frame.png");
}

// Screen sprites lie over the scene whatever the depth buffer holds there.
TEST_F(SpriteTest, ScreenSpritesIgnoreTheDepthBuffer) {
    requireDrawing();
    if (HasFatalFailure()) return;
    const std::string file = drawtest::writeBmp("sheet_over.bmp", 64, 32, sheetTexel);
    CSprite sprite;
    ASSERT_EQ(createSheetSprite(sprite, file), 1);
    sprite.m_fX = 100.0f;
    sprite.m_fY = 100.0f;
    sprite.m_fZ = 0.5f;
    sprite.m_nFrame = 1;
    beginFrame(kBackground);
    // As if the scene had drawn something nearer everywhere.
    device()->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.25f, 0);
    sprite.Draw(nullptr);
    endFrame();
    EXPECT_TRUE(drawtest::near(pixel(92, 92), argb(kFrame1), 0)) << drawtest::hex(pixel(92, 92));
    EXPECT_TRUE(drawtest::near(pixel(107, 107), argb(kFrame1), 0)) << drawtest::hex(pixel(107, 107));
}

TEST_F(SpriteTest, TintAlphaBlendsAndTheAlphaTestDropsFaintSprites) {
    requireDrawing();
    if (HasFatalFailure()) return;
    const std::string file = drawtest::writeBmp("tint.bmp", 64, 32, sheetTexel);
    struct Case {
        DWORD alpha;
        uint32_t expected;
    };
    // 0x0A is below the reference 16 and is dropped; 0x80 mixes half and half.
    const Case cases[] = {{0x0A, kBackground}, {0x80, 0xFF641E5E}, {0xFF, argb(kFrame0)}};
    for (const Case& c : cases) {
        CSprite sprite;
        sprite.m_fX = 200.0f;
        sprite.m_fY = 200.0f;
        ASSERT_EQ(createSheetSprite(sprite, file, (c.alpha << 24) | 0xFFFFFF), 1);
        beginFrame(kBackground);
        sprite.Draw(nullptr);
        endFrame();
        EXPECT_TRUE(drawtest::near(pixel(200, 200), c.expected, 3))
            << "alpha " << c.alpha << ": " << drawtest::hex(pixel(200, 200));
    }
}

TEST_F(SpriteTest, SpriteWhoseImageFailedDrawsTransparent) {
    requireDrawing();
    if (HasFatalFailure()) return;
    CSprite sprite;
    sprite.m_fX = 300.0f;
    sprite.m_fY = 300.0f;
    EXPECT_EQ(sprite.Create(device(), &m_camera, "media\\missing_sprite.bmp", 64, 64, 1, 1, 64, 64,
                            1, 0xFFFFFFFF, SPRITE_SCREEN),
              0);
    beginFrame(kBackground);
    sprite.Draw(nullptr);
    endFrame();
    for (int y = 270; y < 330; y += 3)
        for (int x = 270; x < 330; x += 3)
            ASSERT_TRUE(drawtest::near(pixel(x, y), kBackground, 0)) << x << "," << y;
}

// A passed texture pointer replaces the own texture for the draw, whatever it
// holds: a texture of the caller's shows instead of the image, a null one
// leaves the quad invisible rather than a plain block of its colour.
TEST_F(SpriteTest, ScreenSpriteDrawsThePassedTextureInsteadOfItsOwn) {
    requireDrawing();
    if (HasFatalFailure()) return;
    const std::string file =
        drawtest::writeBmp("own.bmp", 32, 32, [](int, int) { return Rgb{200, 60, 60}; });
    IDirect3DTexture8* other = makeTexture(32, 32, [](int, int) { return 0xFF3C3CC8u; });
    ASSERT_NE(other, nullptr);
    IDirect3DTexture8* none = nullptr;
    struct Case {
        const char* name;
        IDirect3DTexture8** passed;
        uint32_t expected;
        IDirect3DBaseTexture8* bound;
    };
    CSprite sprite;
    sprite.m_fX = 200.0f;
    sprite.m_fY = 200.0f;
    ASSERT_EQ(sprite.Create(device(), &m_camera, file.c_str(), 32, 32, 1, 1, 32, 32, 1,
                            0xFFFFFFFF, SPRITE_SCREEN),
              1);
    const Case cases[] = {{"own", nullptr, 0xFFC83C3C, sprite.m_pTexture},
                          {"passed", &other, 0xFF3C3CC8, other},
                          {"passed null", &none, kBackground, nullptr}};
    for (const Case& c : cases) {
        beginFrame(kBackground);
        sprite.Draw(c.passed);
        endFrame();
        EXPECT_TRUE(drawtest::near(pixel(200, 200), c.expected, 0))
            << c.name << ": " << drawtest::hex(pixel(200, 200));
        IDirect3DBaseTexture8* bound = nullptr;
        device()->GetTexture(0, &bound);
        EXPECT_EQ(bound, c.bound) << c.name;
        if (bound) bound->Release();
    }
    device()->SetTexture(0, nullptr);
    other->Release();
}

// Quadrants of a 32 x 32 frame: red top left, yellow top right, green bottom
// left, blue bottom right (texture rows run down).
Rgb quadrantTexel(int x, int y) {
    if (x >= 34 || y >= 34) return {0, 0, 0};
    const bool left = x < 17, top = y < 17;
    if (top) return left ? Rgb{255, 0, 0} : Rgb{255, 255, 0};
    return left ? Rgb{0, 255, 0} : Rgb{0, 0, 255};
}

TEST_F(SpriteTest, BillboardFacesTheCameraUprightAndUnmirrored) {
    requireDrawing();
    if (HasFatalFailure()) return;
    const std::string file = drawtest::writeBmp("quadrants.bmp", 64, 64, quadrantTexel);
    CSprite sprite;
    sprite.m_fZ = 0.0f;  // corners in the quad's own plane
    ASSERT_EQ(sprite.Create(device(), &m_camera, file.c_str(), 64, 64, 1, 1, 32, 32, 1,
                            0xFFFFFFFF, SPRITE_BILLBOARD),
              1);
    sprite.m_fX = 5.0f;
    sprite.m_fY = -3.0f;
    sprite.m_fZ = 2.0f;

    using namespace drawtest;
    struct ViewCase {
        const char* name;
        D3DMATRIX rotation;
    };
    const ViewCase views[] = {
        {"straight", translation(0, 0, 0)},
        {"turned", rotationY(0.5f)},
        {"turned and rolled", multiply(rotationY(-0.6f), multiply(rotationX(0.3f), rotationZ(0.35f)))},
    };
    for (const ViewCase& v : views) {
        // The sprite's centre ends up 100 units ahead of the camera.
        float centre[4];
        transform(v.rotation, 5.0f, -3.0f, 2.0f, centre);
        const D3DMATRIX view =
            multiply(v.rotation, translation(-centre[0], -centre[1], 100.0f - centre[2]));
        device()->SetTransform(D3DTS_VIEW, &view);
        device()->SetTransform(D3DTS_PROJECTION, &m_camera.m_matProj);
        beginFrame(kBackground);
        sprite.Draw(nullptr);
        endFrame();

        // Facing the camera, the quad is screen-aligned: offsets in world units
        // from its centre are offsets in view space.
        auto at = [&](float dx, float dy) {
            float clip[4];
            transform(m_camera.m_matProj, dx, dy, 100.0f, clip);
            const int px = int((clip[0] / clip[3] + 1.0f) * 400.0f);
            const int py = int((1.0f - clip[1] / clip[3]) * 300.0f);
            return pixel(px, py);
        };
        EXPECT_TRUE(near(at(-8, 8), 0xFFFF0000)) << v.name << " top left " << hex(at(-8, 8));
        EXPECT_TRUE(near(at(8, 8), 0xFFFFFF00)) << v.name << " top right " << hex(at(8, 8));
        EXPECT_TRUE(near(at(-8, -8), 0xFF00FF00)) << v.name << " bottom left " << hex(at(-8, -8));
        EXPECT_TRUE(near(at(8, -8), 0xFF0000FF)) << v.name << " bottom right " << hex(at(8, -8));
        // Full width and height: 14.5 units out it is still the quad, 17.5 not.
        EXPECT_FALSE(near(at(-14.5f, 0), kBackground, 0)) << v.name;
        EXPECT_FALSE(near(at(14.5f, 0), kBackground, 0)) << v.name;
        EXPECT_FALSE(near(at(0, 14.5f), kBackground, 0)) << v.name;
        EXPECT_TRUE(near(at(-17.5f, 0), kBackground, 0)) << v.name;
        EXPECT_TRUE(near(at(17.5f, 0), kBackground, 0)) << v.name;
        EXPECT_TRUE(near(at(0, -17.5f), kBackground, 0)) << v.name;
        if (HasFailure()) {
            saveFrame("billboard.png");
            break;
        }
    }
}

TEST_F(SpriteTest, OpaqueModeShowsTheCallersTextureUnblendedAndFlipped) {
    requireDrawing();
    if (HasFatalFailure()) return;
    const std::string file =
        drawtest::writeBmp("opaque.bmp", 4, 4, [](int, int) { return Rgb{9, 9, 9}; });
    // Half-transparent texels: with blending off they still show as they are.
    IDirect3DTexture8* video =
        makeTexture(64, 64, [](int, int y) { return y < 32 ? 0x80FF0000u : 0x800000FFu; });
    ASSERT_NE(video, nullptr);
    CSprite sprite;
    sprite.m_fX = 400.0f;
    sprite.m_fY = 300.0f;
    ASSERT_EQ(sprite.Create(device(), &m_camera, file.c_str(), 4, 4, 1, 1, 200, 100, 1,
                            0xFFFFFFFF, SPRITE_OPAQUE),
              1);
    sprite.SetScreenQuadUV(1.0f, 1.0f);
    beginFrame(0xFF00FF00);
    sprite.Draw(&video);
    endFrame();
    // Texture row 0 lies along the bottom edge.
    EXPECT_TRUE(drawtest::near(pixel(400, 270), 0xFF0000FF, 0)) << drawtest::hex(pixel(400, 270));
    EXPECT_TRUE(drawtest::near(pixel(400, 330), 0xFFFF0000, 0)) << drawtest::hex(pixel(400, 330));
    EXPECT_TRUE(drawtest::near(pixel(290, 300), 0xFF00FF00, 0));
    EXPECT_TRUE(drawtest::near(pixel(400, 240), 0xFF00FF00, 0));
    if (HasFailure()) saveFrame("opaque.png");
    video->Release();
}

}  // namespace
