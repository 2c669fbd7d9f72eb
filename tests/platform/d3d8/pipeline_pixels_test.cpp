// What the renderer draws, read back pixel by pixel: screen quads exactly on
// their pixels, transformed and lit triangles, the stage-0 combiner, the
// alpha test, blending, depth and culling.
#include "pipeline_fixture.h"

#include <cmath>

namespace {

using namespace pipeline_test;

constexpr float kPi = 3.1415927f;

struct ColouredVertex {  // 0x42: position and diffuse
    float x, y, z;
    DWORD diffuse;
};

class PipelinePixels : public DrawingTest {
protected:
    // A camera at the origin looking along +z with the game's projection.
    void useCamera() {
        D3DXMATRIX identity, projection;
        D3DXMatrixIdentity(&identity);
        D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 800.0f / 600.0f, 1.0f, 1000.0f);
        d->SetTransform(D3DTS_WORLD, &identity);
        d->SetTransform(D3DTS_VIEW, &identity);
        d->SetTransform(D3DTS_PROJECTION, &projection);
    }

    // A lit square of two triangles facing the camera (normal -z) at depth z.
    HRESULT drawLitSquare(float cx, float cy, float z, float half) {
        const std::vector<MeshVertex> square = {
            {cx - half, cy + half, z, 0, 0, -1, 0xFFFFFFFF, 0, 0},
            {cx + half, cy + half, z, 0, 0, -1, 0xFFFFFFFF, 1, 0},
            {cx - half, cy - half, z, 0, 0, -1, 0xFFFFFFFF, 0, 1},
            {cx + half, cy - half, z, 0, 0, -1, 0xFFFFFFFF, 1, 1}};
        IDirect3DVertexBuffer8* buffer = makeVertexBuffer(d.device(), square, 0x152);
        d->SetVertexShader(0x152);
        d->SetStreamSource(0, buffer, sizeof(MeshVertex));
        const HRESULT hr = d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        d->SetStreamSource(0, nullptr, 0);
        buffer->Release();
        return hr;
    }

    void useTexture(IDirect3DTexture8* texture, DWORD alphaOp) {
        d->SetTexture(0, texture);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, alphaOp);
    }

    void useBlending() {
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }
};

TEST_F(PipelinePixels, ScreenQuadCoversExactlyItsPixels) {
    ASSERT_EQ(drawScreenQuad(screenQuad(10, 20, 30, 50, 0xFFFF0000)), D3D_OK);
    EXPECT_EQ(pixel(10, 20), 0xFFFF0000u);
    EXPECT_EQ(pixel(29, 49), 0xFFFF0000u);
    EXPECT_EQ(pixel(9, 20), 0xFF000000u);
    EXPECT_EQ(pixel(30, 20), 0xFF000000u);
    EXPECT_EQ(pixel(10, 19), 0xFF000000u);
    EXPECT_EQ(pixel(10, 50), 0xFF000000u);
    // The whole target, edge to edge, at the depth the game uses.
    ASSERT_EQ(drawScreenQuad(screenQuad(0, 0, 800, 600, 0xFF00FF00, 1.0f)), D3D_OK);
    EXPECT_EQ(pixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(pixel(799, 599), 0xFF00FF00u);
}

TEST_F(PipelinePixels, ScreenQuadSamplesEachTexelOnItsOwnPixels) {
    // 4x2 texels, each drawn as a 3x3 block: point sampling, no bleeding.
    const std::vector<uint32_t> texels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                                          0xFF808080, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};
    IDirect3DTexture8* texture = makeTexture(d.device(), 4, 2, D3DFMT_A8R8G8B8, texels);
    useTexture(texture, D3DTOP_SELECTARG1);
    ASSERT_EQ(drawScreenQuad(screenQuad(100, 200, 112, 206, 0xFFFFFFFF)), D3D_OK);
    for (int ty = 0; ty < 2; ++ty)
        for (int tx = 0; tx < 4; ++tx)
            for (int corner = 0; corner < 4; ++corner) {
                const int x = 100 + tx * 3 + (corner & 1) * 2, y = 200 + ty * 3 + (corner >> 1) * 2;
                EXPECT_EQ(pixel(x, y), texels[size_t(ty) * 4 + tx]) << x << "," << y;
            }
    EXPECT_EQ(pixel(112, 200), 0xFF000000u);
    texture->Release();
}

TEST_F(PipelinePixels, UnlitTriangleIsDrawnWithItsVertexColour) {
    useCamera();
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    const std::vector<ColouredVertex> triangle = {
        {-1, -1, 5, 0xFF0000FF}, {0, 1, 5, 0xFF0000FF}, {1, -1, 5, 0xFF0000FF}};
    IDirect3DVertexBuffer8* buffer = makeVertexBuffer(d.device(), triangle, 0x42);
    d->SetVertexShader(0x42);
    d->SetStreamSource(0, buffer, sizeof(ColouredVertex));
    ASSERT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    EXPECT_EQ(pixel(400, 300), 0xFF0000FFu);
    EXPECT_EQ(pixel(400, 100), 0xFF000000u);
    EXPECT_EQ(pixel(100, 300), 0xFF000000u);
    d->SetStreamSource(0, nullptr, 0);
    buffer->Release();
}

TEST_F(PipelinePixels, DirectionalLightLightsFacesTowardsIt) {
    useCamera();
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.5f, 0.5f, 0.5f, 0};
    light.Direction = {0, 0, 1};
    light.Range = 1000;
    d->SetLight(0, &light);
    d->LightEnable(0, TRUE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    ASSERT_EQ(drawLitSquare(0, 0, 10, 1), D3D_OK);
    const uint32_t lit = pixel(400, 300);
    EXPECT_NEAR(channel(lit, 16), 128, 1);
    EXPECT_NEAR(channel(lit, 8), 128, 1);

    light.Direction = {0, 0, -1};  // from behind: the face gets nothing
    d->SetLight(0, &light);
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202020, 1.0f, 0);
    drawLitSquare(0, 0, 10, 1);
    EXPECT_EQ(pixel(400, 300) & 0x00FFFFFFu, 0u);
}

TEST_F(PipelinePixels, PointLightReachesOnlyAsFarAsItsRange) {
    useCamera();
    // The game's red ship light: zero attenuation, range 50, placed in front
    // of the left square (40 units away); the right one is 60 units away.
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_POINT;
    light.Position = {-20, 0, 60};
    light.Diffuse = {1, 0, 0, 0};
    light.Ambient = {1, 0, 0, 0};
    light.Range = 50;
    d->SetLight(1, &light);
    d->LightEnable(1, TRUE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    ASSERT_EQ(drawLitSquare(-20, 0, 100, 5), D3D_OK);
    ASSERT_EQ(drawLitSquare(40, 0, 100, 5), D3D_OK);
    // x pixel = 400 + x / z * (1 / tan(fov / 2) / aspect) * 400
    const float xScale = 1.0f / std::tan(0.7853982f / 2) / (800.0f / 600.0f);
    const int leftX = 400 + int(-20 / 100.0f * xScale * 400), rightX = 400 + int(40 / 100.0f * xScale * 400);
    EXPECT_EQ(pixel(leftX, 300), 0xFFFF0000u);
    EXPECT_EQ(pixel(rightX, 300), 0xFF000000u) << "outside the range: unlit";
}

// The billboard and particle formats: texture coordinates after a colour,
// and a lit vertex with no texture coordinates sampling its 1x1 texture.
TEST_F(PipelinePixels, BillboardAndParticleFormatsDraw) {
    useCamera();
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    struct BillboardVertex {  // 0x142
        float x, y, z;
        DWORD diffuse;
        float u, v;
    };
    const std::vector<BillboardVertex> quad = {{-1, 1, 10, 0xFFFFFFFF, 0, 0},
                                               {1, 1, 10, 0xFFFFFFFF, 1, 0},
                                               {-1, -1, 10, 0xFFFFFFFF, 0, 1},
                                               {1, -1, 10, 0xFFFFFFFF, 1, 1}};
    IDirect3DTexture8* halves = makeTexture(d.device(), 2, 1, D3DFMT_A8R8G8B8, {0xFFFF0000, 0xFF00FF00});
    useTexture(halves, D3DTOP_MODULATE);
    IDirect3DVertexBuffer8* billboard = makeVertexBuffer(d.device(), quad, 0x142);
    d->SetVertexShader(0x142);
    d->SetStreamSource(0, billboard, sizeof(BillboardVertex));
    ASSERT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(pixel(380, 300), 0xFFFF0000u);
    EXPECT_EQ(pixel(420, 300), 0xFF00FF00u);

    struct ParticleVertex {  // 0x52
        float x, y, z, nx, ny, nz;
        DWORD diffuse;
    };
    const std::vector<ParticleVertex> spark = {{-1, -3, 10, 0, 0, -1, 0xFF0000FF},
                                               {0, -1, 10, 0, 0, -1, 0xFF0000FF},
                                               {1, -3, 10, 0, 0, -1, 0xFF0000FF}};
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.5f, 0.5f, 0.5f, 0};
    light.Direction = {0, 0, 1};
    d->SetLight(0, &light);
    d->LightEnable(0, TRUE);
    IDirect3DTexture8* white = nullptr;
    ASSERT_EQ(d->CreateTexture(1, 1, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &white), D3D_OK);
    D3DLOCKED_RECT locked{};
    white->LockRect(0, &locked, nullptr, 0);
    *static_cast<uint32_t*>(locked.pBits) = 0x00FFFFFF;
    white->UnlockRect(0);
    useTexture(white, D3DTOP_MODULATE);
    IDirect3DVertexBuffer8* particle = makeVertexBuffer(d.device(), spark, 0x52);
    d->SetVertexShader(0x52);
    d->SetStreamSource(0, particle, sizeof(ParticleVertex));
    ASSERT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    const uint32_t lit = pixel(400, 400);
    EXPECT_EQ(channel(lit, 16), 0);
    EXPECT_NEAR(channel(lit, 0), 128, 1);
    EXPECT_EQ(channel(lit, 24), 255);
    d->SetStreamSource(0, nullptr, 0);
    d->SetTexture(0, nullptr);
    particle->Release();
    billboard->Release();
    white->Release();
    halves->Release();
}

TEST_F(PipelinePixels, AlphaTestCutsOutZeroTexels) {
    clearColour = 0xFF00FF00;
    d->Clear(0, nullptr, D3DCLEAR_TARGET, clearColour, 1.0f, 0);
    IDirect3DTexture8* texture = makeTexture(d.device(), 2, 1, D3DFMT_A8R8G8B8, {0x00000000, 0xFFFFFFFF});
    useTexture(texture, D3DTOP_MODULATE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAREF, 0x10);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    ASSERT_EQ(drawScreenQuad(screenQuad(0, 0, 20, 10, 0xFFFFFFFF)), D3D_OK);
    EXPECT_EQ(pixel(5, 5), 0xFF00FF00u) << "alpha 0 fails the test";
    EXPECT_EQ(pixel(15, 5), 0xFFFFFFFFu);
    // The threshold is inclusive: alpha 16 passes, 15 does not.
    drawScreenQuad(screenQuad(100, 0, 120, 10, 0x10FF0000));
    drawScreenQuad(screenQuad(200, 0, 220, 10, 0x0FFF0000));
    EXPECT_EQ(pixel(115, 5) & 0x00FFFFFFu, 0x00FF0000u);
    EXPECT_EQ(pixel(215, 5), 0xFF00FF00u);
    texture->Release();
}

TEST_F(PipelinePixels, BlendingAtHalfAlphaMixesEvenly) {
    clearColour = 0xFF0000FF;
    d->Clear(0, nullptr, D3DCLEAR_TARGET, clearColour, 1.0f, 0);
    useBlending();
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    ASSERT_EQ(drawScreenQuad(screenQuad(0, 0, 10, 10, 0x80FF0000)), D3D_OK);
    const uint32_t mixed = pixel(5, 5);
    EXPECT_NEAR(channel(mixed, 16), 128, 1);
    EXPECT_EQ(channel(mixed, 8), 0);
    EXPECT_NEAR(channel(mixed, 0), 127, 1);
}

// The shield: texture colour times vertex colour, alpha from the vertex
// alone (DISABLE), so an opaque texture still draws translucent.
TEST_F(PipelinePixels, AlphaOperationsChooseWhereAlphaComesFrom) {
    clearColour = 0xFF0000FF;
    d->Clear(0, nullptr, D3DCLEAR_TARGET, clearColour, 1.0f, 0);
    useBlending();
    IDirect3DTexture8* opaqueRed = makeTexture(d.device(), 1, 1, D3DFMT_A8R8G8B8, {0xFFFF0000});
    useTexture(opaqueRed, D3DTOP_DISABLE);
    drawScreenQuad(screenQuad(0, 0, 10, 10, 0x80FFFFFF));
    useTexture(opaqueRed, D3DTOP_SELECTARG1);
    drawScreenQuad(screenQuad(20, 0, 30, 10, 0x80FFFFFF));
    useTexture(opaqueRed, D3DTOP_MODULATE);
    drawScreenQuad(screenQuad(40, 0, 50, 10, 0x40FFFFFF));
    EXPECT_NEAR(channel(pixel(5, 5), 16), 128, 1);
    EXPECT_NEAR(channel(pixel(5, 5), 0), 127, 1);
    EXPECT_EQ(pixel(25, 5) & 0x00FFFFFFu, 0x00FF0000u);
    EXPECT_NEAR(channel(pixel(45, 5), 16), 64, 1);
    opaqueRed->Release();
}

TEST_F(PipelinePixels, X8R8G8B8SamplesOpaqueWhileA8R8G8B8KeepsItsAlpha) {
    clearColour = 0xFF0000FF;
    d->Clear(0, nullptr, D3DCLEAR_TARGET, clearColour, 1.0f, 0);
    useBlending();
    // Both hold white with a fourth byte of 0.
    IDirect3DTexture8* x8 = makeTexture(d.device(), 1, 1, D3DFMT_X8R8G8B8, {0x00FFFFFF});
    IDirect3DTexture8* a8 = makeTexture(d.device(), 1, 1, D3DFMT_A8R8G8B8, {0x00FFFFFF});
    useTexture(x8, D3DTOP_SELECTARG1);
    drawScreenQuad(screenQuad(0, 0, 10, 10, 0xFFFFFFFF));
    useTexture(a8, D3DTOP_SELECTARG1);
    drawScreenQuad(screenQuad(20, 0, 30, 10, 0xFFFFFFFF));
    EXPECT_EQ(pixel(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(25, 5), 0xFF0000FFu);
    x8->Release();
    a8->Release();
}

TEST_F(PipelinePixels, DepthTestAndWriteFollowTheirStates) {
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    drawScreenQuad(screenQuad(0, 0, 10, 10, 0xFFFF0000, 0.2f));  // near
    drawScreenQuad(screenQuad(0, 0, 10, 10, 0xFF00FF00, 0.8f));  // far: hidden
    EXPECT_EQ(pixel(5, 5), 0xFFFF0000u);

    d->SetRenderState(D3DRS_ZENABLE, FALSE);  // no test and no write
    drawScreenQuad(screenQuad(0, 0, 10, 10, 0xFF00FF00, 0.8f));
    EXPECT_EQ(pixel(5, 5), 0xFF00FF00u);

    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    drawScreenQuad(screenQuad(20, 0, 30, 10, 0xFFFF0000, 0.2f));  // tested, not written
    d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    drawScreenQuad(screenQuad(20, 0, 30, 10, 0xFF0000FF, 0.8f));
    EXPECT_EQ(pixel(25, 5), 0xFF0000FFu);
}

TEST_F(PipelinePixels, CullingRemovesOnlyTheChosenWinding) {
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    // The strip's first triangle (left-top, left-bottom, right-top) runs
    // counter-clockwise on the screen.
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    drawScreenQuad(screenQuad(0, 0, 10, 10, 0xFFFF0000));
    EXPECT_EQ(pixel(1, 1), 0xFF000000u);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    drawScreenQuad(screenQuad(0, 0, 10, 10, 0xFFFF0000));
    EXPECT_EQ(pixel(1, 1), 0xFFFF0000u);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    drawScreenQuad(screenQuad(20, 0, 30, 10, 0xFF00FF00));
    EXPECT_EQ(pixel(21, 1), 0xFF00FF00u);
    EXPECT_EQ(pixel(28, 8), 0xFF00FF00u);
}

TEST_F(PipelinePixels, MeshRotatedAQuarterTurnAboutXFacesAway) {
    // A quarter turn about x stands a face that looked at the camera on its
    // edge: nothing of it is left to see.
    useCamera();
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    D3DXMATRIX turn, move, world;
    D3DXMatrixRotationX(&turn, 90 * kPi / 180);
    D3DXMatrixTranslation(&move, 0, 0, 10);
    world = turn * move;
    d->SetTransform(D3DTS_WORLD, &world);
    drawLitSquare(0, 0, 0, 1);
    EXPECT_EQ(pixel(400, 250), 0xFF000000u);
    world = move;
    d->SetTransform(D3DTS_WORLD, &world);
    drawLitSquare(0, 0, 0, 1);
    EXPECT_EQ(pixel(400, 300), 0xFFFFFFFFu);
}

// Draws whose vertices all lie outside the view: a triangle with its corners
// beyond different sides still covers the middle of the screen, through
// either kind of draw, while one wholly beside the view leaves no trace and
// the draws after it still come out right.
TEST_F(PipelinePixels, TrianglesRoundTheViewDrawAndOnesBesideItDoNot) {
    useCamera();
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    // At z 100 the view spans about +-55 by +-41 units.
    const std::vector<ColouredVertex> vertices = {
        {-60, -45, 100, 0xFF00FF00}, {0, 120, 100, 0xFF00FF00}, {60, -45, 100, 0xFF00FF00},  // round the view
        {-90, -30, 100, 0xFFFF0000},   {-70, 30, 100, 0xFFFF0000}, {-60, -30, 100, 0xFFFF0000},   // left of it
        {-1, -1, 5, 0xFF0000FF},       {0, 1, 5, 0xFF0000FF},      {1, -1, 5, 0xFF0000FF}};       // in the middle
    IDirect3DVertexBuffer8* buffer = makeVertexBuffer(d.device(), vertices, 0x42);
    IDirect3DIndexBuffer8* indices = makeIndexBuffer(d.device(), {0, 1, 2, 3, 4, 5, 6, 7, 8});
    d->SetVertexShader(0x42);
    d->SetStreamSource(0, buffer, sizeof(ColouredVertex));
    d->SetIndices(indices, 0);
    for (const bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "indexed" : "not indexed");
        auto draw = [&](UINT first) {
            return indexed ? d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 9, first, 1)
                           : d->DrawPrimitive(D3DPT_TRIANGLELIST, first, 1);
        };
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        ASSERT_EQ(draw(0), D3D_OK);
        EXPECT_EQ(pixel(400, 300), 0xFF00FF00u);
        EXPECT_EQ(pixel(10, 590), 0xFF00FF00u);
        EXPECT_EQ(pixel(10, 10), 0xFF000000u);
        ASSERT_EQ(draw(3), D3D_OK);
        EXPECT_EQ(pixel(400, 300), 0xFF00FF00u);
        EXPECT_EQ(pixel(0, 300), 0xFF000000u);
        ASSERT_EQ(draw(6), D3D_OK);
        EXPECT_EQ(pixel(400, 300), 0xFF0000FFu);
    }
    d->SetIndices(nullptr, 0);
    indices->Release();
    d->SetStreamSource(0, nullptr, 0);
    buffer->Release();
}

}  // namespace

namespace {

using namespace pipeline_test;

class DrawsDroppedWhole : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        D3DXMATRIX identity, projection;
        D3DXMatrixIdentity(&identity);
        D3DXMatrixPerspectiveFovLH(&projection, 0.7853982f, 800.0f / 600.0f, 1.0f, 1000.0f);
        d->SetTransform(D3DTS_VIEW, &identity);
        d->SetTransform(D3DTS_PROJECTION, &projection);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    }
    void place(float x, float y) {
        D3DXMATRIX world;
        D3DXMatrixTranslation(&world, x, y, 0);
        d->SetTransform(D3DTS_WORLD, &world);
    }
    void clear() { d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0); }
};

// A mesh drawn again and again from one buffer, as every rock is: wherever
// its world transform or its rewritten vertices put it, it shows exactly
// when some of it lies in the view, through either kind of draw.
TEST_F(DrawsDroppedWhole, AStreamShowsWheneverItsWorldOrItsVerticesBringItIntoView) {
    // At z 100 the view spans about +-55 by +-41 units.
    const std::vector<ColouredVertex> triangle = {
        {-5, -5, 100, 0xFF00FF00}, {0, 5, 100, 0xFF00FF00}, {5, -5, 100, 0xFF00FF00}};
    IDirect3DVertexBuffer8* buffer = makeVertexBuffer(d.device(), triangle, 0x42);
    IDirect3DIndexBuffer8* indices = makeIndexBuffer(d.device(), {0, 1, 2});
    d->SetVertexShader(0x42);
    d->SetStreamSource(0, buffer, sizeof(ColouredVertex));
    d->SetIndices(indices, 0);
    for (const bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "indexed" : "not indexed");
        auto draw = [&] {
            return indexed ? d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1)
                           : d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
        };
        struct Step {
            const char* what;
            float x, y;
            bool shows;
        };
        const Step steps[] = {{"in the middle", 0, 0, true},        {"far to the left", -300, 0, false},
                              {"far above", 0, 200, false},         {"far to the left again", -300, 0, false},
                              {"back in the middle", 0, 0, true},   {"just touching the left edge", -57, 0, true},
                              {"beyond the right edge", 62, 0, false}, {"in the middle at last", 0, 0, true}};
        for (const Step& step : steps) {
            clear();
            place(step.x, step.y);
            ASSERT_EQ(draw(), D3D_OK) << step.what;
            EXPECT_EQ(pixel(400, 300) == 0xFF00FF00u, step.shows && step.x == 0) << step.what;
            if (step.x == -57) {
                EXPECT_EQ(pixel(1, 300), 0xFF00FF00u) << step.what;
            }
        }
    }
    // The vertices themselves rewritten, under one world: a stream drawn far
    // away, then moved into the view, back out and in again.
    place(0, 0);
    std::vector<ColouredVertex> farAway = triangle;
    for (ColouredVertex& v : farAway) v.x -= 400;
    IDirect3DVertexBuffer8* moving = makeVertexBuffer(d.device(), farAway, 0x42);
    d->SetStreamSource(0, moving, sizeof(ColouredVertex));
    for (const bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "indexed" : "not indexed");
        for (const float dx : {-400.0f, 0.0f, -400.0f, 0.0f}) {
            BYTE* data = nullptr;
            ASSERT_EQ(moving->Lock(0, 0, &data, 0), D3D_OK);
            auto* v = reinterpret_cast<ColouredVertex*>(data);
            for (size_t i = 0; i < triangle.size(); ++i) v[i].x = triangle[i].x + dx;
            moving->Unlock();
            for (int again = 0; again < 3; ++again) {
                clear();
                ASSERT_EQ(indexed ? d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1)
                                  : d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1),
                          D3D_OK);
                EXPECT_EQ(pixel(400, 300) == 0xFF00FF00u, dx == 0.0f) << "moved by " << dx;
            }
        }
    }
    d->SetStreamSource(0, buffer, sizeof(ColouredVertex));
    moving->Release();
    // A draw that lies outside the view still has its indices checked
    // against the stream: a base that carries them past it fails.
    place(-300, 0);
    ASSERT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), D3D_OK);
    d->SetIndices(indices, 1);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    d->SetIndices(nullptr, 0);
    indices->Release();
    d->SetStreamSource(0, nullptr, 0);
    buffer->Release();
}

}  // namespace
