// The particle pool: slot allocation, ageing and motion, what Create builds,
// drawing what is alive, refused buffers and textures, the default-pool
// buffer across a device reset, and destruction.
#include "ParticleSystem.h"

#include "drawing_fixture.h"
#include "host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

using drawtest::DrawingTest;

int liveCount(const CParticleSystem& particles) {
    int live = 0;
    for (int i = 0; i < particles.m_nCount; ++i) live += particles.m_pParticles[i].m_nLife != 0;
    return live;
}

TEST(ParticlePool, AddTakesTheLowestFreeSlotAndRefusesWhenFull) {
    CParticleSystem particles;
    particles.Create(3, nullptr, 0xFFFFFFFF);
    ASSERT_EQ(particles.m_nCount, 3);
    ASSERT_NE(particles.m_pParticles, nullptr);

    for (int i = 0; i < 3; ++i) EXPECT_EQ(particles.Add(float(i), 0, 250, 0, 0, 5), 1);
    EXPECT_EQ(particles.Add(9, 9, 9, 1, 1, 5), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(particles.m_pParticles[i].m_fX, float(i));

    particles.Kill(2);
    particles.Kill(1);
    EXPECT_EQ(particles.Add(7, 8, 250, 0.5f, -0.5f, 4), 1);
    const SParticle& taken = particles.m_pParticles[1];
    EXPECT_EQ(taken.m_fX, 7.0f);
    EXPECT_EQ(taken.m_fY, 8.0f);
    EXPECT_EQ(taken.m_fZ, 250.0f);
    EXPECT_EQ(taken.m_fVelX, 0.5f);
    EXPECT_EQ(taken.m_fVelY, -0.5f);
    EXPECT_EQ(taken.m_nLife, 4);
    EXPECT_EQ(particles.m_pParticles[2].m_nLife, 0);
}

TEST(ParticlePool, AddWithLifeZeroSucceedsButLeavesTheSlotFree) {
    CParticleSystem particles;
    particles.Create(2, nullptr, 0);
    EXPECT_EQ(particles.Add(1, 2, 3, 0, 0, 0), 1);
    EXPECT_EQ(liveCount(particles), 0);
    EXPECT_EQ(particles.Add(4, 5, 6, 0, 0, 3), 1);
    EXPECT_EQ(particles.m_pParticles[0].m_fX, 4.0f);
}

TEST(ParticlePool, KillIgnoresIndicesOutsideThePool) {
    CParticleSystem particles;
    particles.Create(2, nullptr, 0);
    particles.Add(0, 0, 0, 0, 0, 5);
    particles.Add(0, 0, 0, 0, 0, 5);
    particles.m_pParticles[2].m_nLife = 77;  // the spare record past the end
    for (int index : {-1, 2, 3, 1 << 30}) particles.Kill(index);
    EXPECT_EQ(liveCount(particles), 2);
    EXPECT_EQ(particles.m_pParticles[2].m_nLife, 77);
}

TEST(ParticlePool, UpdateAgesEveryRecordAndMovesItByItsVelocity) {
    CParticleSystem particles;
    particles.Create(4, nullptr, 0);
    // Records start zeroed, velocities included.
    for (int i = 0; i <= 4; ++i) {
        EXPECT_EQ(particles.m_pParticles[i].m_fVelX, 0.0f);
        EXPECT_EQ(particles.m_pParticles[i].m_nLife, 0);
    }
    particles.Add(0, 0, 250, 0.5f, -2.0f, 2);
    particles.Update();
    EXPECT_EQ(particles.m_pParticles[0].m_nLife, 1);
    EXPECT_EQ(particles.m_pParticles[0].m_fX, 0.5f);
    EXPECT_EQ(particles.m_pParticles[0].m_fY, -2.0f);
    EXPECT_EQ(particles.m_pParticles[0].m_fZ, 250.0f);
    particles.Update();
    particles.Update();
    // Life floors at 0; a free record keeps drifting, which nobody sees.
    EXPECT_EQ(particles.m_pParticles[0].m_nLife, 0);
    EXPECT_EQ(particles.m_pParticles[0].m_fX, 1.5f);
    EXPECT_EQ(particles.m_pParticles[1].m_fX, 0.0f);
}

// Long mixed runs of adding, killing and ageing, against a plain model of
// the pool: every particle lands in the lowest free slot, and a full pool
// refuses, however the free slots came about.
TEST(ParticlePool, EveryAddTakesTheLowestFreeSlotThroughKillsAndAgeing) {
    const int kCount = 40;
    CParticleSystem particles;
    particles.Create(kCount, nullptr, 0);
    std::vector<int> model(kCount, 0);  // lives
    srand(5);
    for (int step = 0; step < 20000; ++step) {
        const int what = rand() % 10;
        if (what < 6) {
            const int life = rand() % 4 == 0 ? 0 : 1 + rand() % 6;
            int expected = -1;
            for (int i = 0; i < kCount && expected < 0; ++i)
                if (model[i] == 0) expected = i;
            ASSERT_EQ(particles.Add(float(step), 0, 0, 0, 0, life), expected >= 0 ? 1 : 0) << step;
            if (expected >= 0) {
                model[expected] = life;
                ASSERT_EQ(particles.m_pParticles[expected].m_fX, float(step)) << step;
            }
        } else if (what < 8) {
            const int index = rand() % (kCount + 2) - 1;
            particles.Kill(index);
            if (index >= 0 && index < kCount) model[index] = 0;
        } else {
            particles.Update();
            for (int& life : model) life = life > 0 ? life - 1 : 0;
        }
        for (int i = 0; i < kCount; ++i) ASSERT_EQ(particles.m_pParticles[i].m_nLife, model[i]) << step;
    }
}

class ParticleDeviceTest : public DrawingTest {};

TEST_F(ParticleDeviceTest, DefaultPoolBufferIsReleasedAndRemadeAroundAReset) {
    requireResources();
    if (HasFatalFailure()) return;
    const int before = host::defaultPoolResources();
    {
        CParticleSystem particles;
        particles.Create(10, device(), 0x80999999);
        ASSERT_NE(particles.m_pVertexBuffer, nullptr);
        ASSERT_NE(particles.m_pTexture, nullptr);
        EXPECT_EQ(host::defaultPoolResources(), before + 1);
        particles.Add(1, 2, 250, 0, 0, 50);

        g_App.OnInvalidateDeviceObjects();
        EXPECT_EQ(particles.m_pVertexBuffer, nullptr);
        EXPECT_EQ(host::defaultPoolResources(), before);
        EXPECT_TRUE(SUCCEEDED(device()->Reset(&g_App.m_pp)));
        g_App.OnRestoreDeviceObjects();
        ASSERT_NE(particles.m_pVertexBuffer, nullptr);
        EXPECT_EQ(host::defaultPoolResources(), before + 1);

        // The remade buffer holds the same triangle and colour.
        BYTE* data = nullptr;
        ASSERT_TRUE(SUCCEEDED(particles.m_pVertexBuffer->Lock(0, 84, &data, 0)));
        const SParticleVertex* v = reinterpret_cast<const SParticleVertex*>(data);
        EXPECT_EQ(v[2].x, 0.0f);
        EXPECT_EQ(v[2].y, 0.5f);
        EXPECT_EQ(v[0].diffuse, 0x80999999u);
        EXPECT_EQ(v[0].nz, -1.0f);
        particles.m_pVertexBuffer->Unlock();
        EXPECT_EQ(liveCount(particles), 1);
    }
    // Destroyed systems leave the hooks.
    EXPECT_EQ(host::defaultPoolResources(), before);
    g_App.OnInvalidateDeviceObjects();
    g_App.OnRestoreDeviceObjects();
    EXPECT_EQ(host::defaultPoolResources(), before);
}

TEST_F(ParticleDeviceTest, ReleaseBeforeTheDestructorReleasesNothingTwice) {
    requireResources();
    if (HasFatalFailure()) return;
    const int before = host::defaultPoolResources();
    IDirect3DTexture8* texture = nullptr;
    {
        CParticleSystem particles;
        particles.Create(5, device(), 0xFFFF0000);
        texture = particles.m_pTexture;
        ASSERT_NE(texture, nullptr);
        texture->AddRef();

        // The game's shut-down releases the sparks; the destructor runs at exit.
        particles.Release();
        EXPECT_EQ(particles.m_pVertexBuffer, nullptr);
        EXPECT_EQ(particles.m_pParticles, nullptr);
        EXPECT_EQ(particles.m_pTexture, nullptr);
        EXPECT_EQ(host::defaultPoolResources(), before);
    }
    EXPECT_EQ(texture->Release(), 0u);  // released once by the system, once here
}

TEST_F(ParticleDeviceTest, DrawSetsNoStateOfItsOwnAndLeavesTheLastParticlesTransform) {
    requireResources();
    if (HasFatalFailure()) return;
    const D3DRENDERSTATETYPE renderStates[] = {D3DRS_LIGHTING,         D3DRS_ALPHABLENDENABLE,
                                               D3DRS_ALPHATESTENABLE,  D3DRS_ZENABLE,
                                               D3DRS_SRCBLEND,         D3DRS_DESTBLEND,
                                               D3DRS_CULLMODE,         D3DRS_ALPHAREF};
    const D3DTEXTURESTAGESTATETYPE stageStates[] = {D3DTSS_COLOROP, D3DTSS_COLORARG1,
                                                    D3DTSS_COLORARG2, D3DTSS_ALPHAOP};
    std::vector<DWORD> before;
    for (auto s : renderStates) {
        DWORD v = 0;
        device()->GetRenderState(s, &v);
        before.push_back(v);
    }
    for (auto s : stageStates) {
        DWORD v = 0;
        device()->GetTextureStageState(0, s, &v);
        before.push_back(v);
    }

    CParticleSystem particles;
    particles.Create(4, device(), 0xFFFFFFFF);
    particles.Add(1, 2, 250, 0, 0, 5);
    particles.Add(3, 4, 250, 1, 1, 5);
    particles.Draw();

    std::vector<DWORD> after;
    for (auto s : renderStates) {
        DWORD v = 0;
        device()->GetRenderState(s, &v);
        after.push_back(v);
    }
    for (auto s : stageStates) {
        DWORD v = 0;
        device()->GetTextureStageState(0, s, &v);
        after.push_back(v);
    }
    EXPECT_EQ(after, before);

    DWORD shader = 1;
    device()->GetVertexShader(&shader);
    EXPECT_EQ(shader, 0u);
    D3DMATRIX world;
    device()->GetTransform(D3DTS_WORLD, &world);
    EXPECT_TRUE(drawtest::matricesNear(world, drawtest::translation(4, 5, 250), 0.0f));
    IDirect3DBaseTexture8* bound = nullptr;
    device()->GetTexture(0, &bound);
    EXPECT_EQ(bound, particles.m_pTexture);
    if (bound) bound->Release();
}

TEST_F(ParticleDeviceTest, CreateFillsTheSharedTriangleAndTheOneTexel) {
    requireResources();
    if (HasFatalFailure()) return;
    CParticleSystem particles;
    particles.Create(4, device(), 0x80996633);
    EXPECT_EQ(particles.m_nVertexCount, 3);
    ASSERT_NE(particles.m_pVertexBuffer, nullptr);
    ASSERT_NE(particles.m_pTexture, nullptr);

    D3DVERTEXBUFFER_DESC buffer = {};
    ASSERT_TRUE(SUCCEEDED(particles.m_pVertexBuffer->GetDesc(&buffer)));
    EXPECT_EQ(buffer.Size, 84u);
    EXPECT_EQ(buffer.FVF, 0x52u);
    EXPECT_EQ(buffer.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(buffer.Usage, DWORD(D3DUSAGE_WRITEONLY));
    BYTE* data = nullptr;
    ASSERT_TRUE(SUCCEEDED(particles.m_pVertexBuffer->Lock(0, 84, &data, 0)));
    const SParticleVertex* v = reinterpret_cast<const SParticleVertex*>(data);
    const float corners[3][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.0f, 0.5f}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(v[i].x, corners[i][0]) << "corner " << i;
        EXPECT_EQ(v[i].y, corners[i][1]) << "corner " << i;
        EXPECT_EQ(v[i].z, 0.0f) << "corner " << i;
        EXPECT_EQ(v[i].diffuse, 0x80996633u) << "corner " << i;
    }
    particles.m_pVertexBuffer->Unlock();

    D3DSURFACE_DESC level = {};
    ASSERT_TRUE(SUCCEEDED(particles.m_pTexture->GetLevelDesc(0, &level)));
    EXPECT_EQ(level.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(level.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(level.Width, 1u);
    EXPECT_EQ(level.Height, 1u);
    EXPECT_EQ(particles.m_pTexture->GetLevelCount(), 1u);
    D3DLOCKED_RECT texel = {0, nullptr};
    ASSERT_TRUE(SUCCEEDED(particles.m_pTexture->LockRect(0, &texel, nullptr, D3DLOCK_READONLY)));
    ASSERT_NE(texel.pBits, nullptr);
    EXPECT_EQ(*static_cast<const uint32_t*>(texel.pBits) & 0x00FFFFFFu, 0x996633u);
    particles.m_pTexture->UnlockRect(0);
}

// The game draws sparks with blending on and the alpha taken from the
// texture: the colour's alpha must not make them see-through.
TEST_F(ParticleDeviceTest, TheColoursAlphaDoesNotReachTheTexture) {
    requireDrawing();
    if (HasFatalFailure()) return;
    lookFromFront(100.0f);
    device()->SetRenderState(D3DRS_LIGHTING, FALSE);
    device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device()->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device()->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device()->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device()->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);

    CParticleSystem particles;
    particles.Create(2, device(), 0x40FFFFFF);
    particles.Add(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 5);
    beginFrame(0xFF0000FF);
    particles.Draw();
    endFrame();
    int px, py;
    project(0.0f, -0.15f, 0.0f, &px, &py);
    EXPECT_TRUE(drawtest::near(pixel(px, py), 0xFFFFFFFF)) << drawtest::hex(pixel(px, py));
}

// A device that refuses the buffer or the texture: the pool still works and
// Draw neither crashes nor draws without a triangle.
TEST_F(ParticleDeviceTest, RefusedBufferOrTextureLeavesAWorkingPool) {
    requireResources();
    if (HasFatalFailure()) return;
    struct Case {
        const char* name;
        int bufferFailures, textureFailures;
    };
    const Case cases[] = {{"no buffer", 1, 0}, {"no texture", 0, 1}, {"neither", 1, 1}};
    for (const Case& c : cases) {
        host::deviceFaults().vertexBufferCreationFailures = c.bufferFailures;
        host::deviceFaults().textureCreationFailures = c.textureFailures;
        CParticleSystem particles;
        particles.Create(3, device(), 0xFFFFFFFF);
        EXPECT_EQ(particles.m_pVertexBuffer == nullptr, c.bufferFailures > 0) << c.name;
        EXPECT_EQ(particles.m_pTexture == nullptr, c.textureFailures > 0) << c.name;
        ASSERT_NE(particles.m_pParticles, nullptr) << c.name;

        const D3DMATRIX marker = drawtest::translation(7, 8, 9);
        device()->SetTransform(D3DTS_WORLD, &marker);
        EXPECT_EQ(particles.Add(1, 2, 250, 1, 0, 3), 1) << c.name;
        particles.Draw();
        EXPECT_EQ(particles.m_pParticles[0].m_nLife, 2) << c.name;
        EXPECT_EQ(particles.m_pParticles[0].m_fX, 2.0f) << c.name;
        D3DMATRIX world;
        device()->GetTransform(D3DTS_WORLD, &world);
        const D3DMATRIX expected =
            c.bufferFailures ? marker : drawtest::translation(2, 2, 250);
        EXPECT_TRUE(drawtest::matricesNear(world, expected, 0.0f)) << c.name;

        // Around a reset the refused buffer is simply made again.
        g_App.OnInvalidateDeviceObjects();
        g_App.OnRestoreDeviceObjects();
        EXPECT_NE(particles.m_pVertexBuffer, nullptr) << c.name;
        device()->SetStreamSource(0, nullptr, 0);
        device()->SetTexture(0, nullptr);
    }
}

// One particle moving right: drawn after each move, gone when its life ends.
TEST_F(ParticleDeviceTest, ParticlesMoveAgeAndVanishAtLifeZero) {
    requireDrawing();
    if (HasFatalFailure()) return;
    lookFromFront(100.0f);
    device()->SetRenderState(D3DRS_LIGHTING, FALSE);  // exact colours for the check

    CParticleSystem particles;
    particles.Create(8, device(), 0xFFFFFFFF);
    particles.Add(0.0f, 0.0f, 0.0f, 5.0f, 0.0f, 3);  // drawn twice: at x 5, then x 10
    particles.Add(-20.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1);  // never drawn

    const uint32_t background = 0xFF000080;
    const float expectedX[] = {5.0f, 10.0f, 15.0f};
    for (int frame = 0; frame < 3; ++frame) {
        beginFrame(background);
        particles.Draw();
        endFrame();
        int px, py, ox, oy, nx, ny;
        project(expectedX[frame], -0.15f, 0.0f, &px, &py);
        project(expectedX[frame] - 5.0f, -0.15f, 0.0f, &ox, &oy);
        project(-20.0f, -0.15f, 0.0f, &nx, &ny);
        if (frame < 2) {
            EXPECT_TRUE(drawtest::near(pixel(px, py), 0xFFFFFFFF))
                << "frame " << frame << ": " << drawtest::hex(pixel(px, py));
        } else {
            EXPECT_TRUE(drawtest::near(pixel(px, py), background)) << "still drawn at life 0";
        }
        EXPECT_TRUE(drawtest::near(pixel(ox, oy), background)) << "frame " << frame;
        EXPECT_TRUE(drawtest::near(pixel(nx, ny), background)) << "life 1 was drawn";
    }
    EXPECT_EQ(liveCount(particles), 0);
    if (HasFailure()) saveFrame("particles_move.png");
}

// The main loop's recovery with sparks alive: the reset succeeds only because
// the hooks let go of the particle buffer, and the sparks draw on afterwards.
TEST_F(ParticleDeviceTest, LostDeviceIsRecoveredWithParticlesAlive) {
    requireDrawing();
    if (HasFatalFailure()) return;
    lookFromFront(100.0f);
    device()->SetRenderState(D3DRS_LIGHTING, FALSE);
    CParticleSystem sparks;
    sparks.Create(1000, device(), 0xFFFFFFFF);
    sparks.Add(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 30);

    host::deviceFaults().presentsUntilLost = 0;
    g_App.BeginFrame();
    sparks.Draw();
    ASSERT_EQ(g_App.EndFrame(), D3DERR_DEVICELOST);
    host::useVirtualClock();  // the wait sleeps a virtual second
    g_App.OnInvalidateDeviceObjects();
    g_App.RecoverLostDevice();
    g_App.OnRestoreDeviceObjects();
    EXPECT_EQ(device()->TestCooperativeLevel(), D3D_OK);
    ASSERT_NE(sparks.m_pVertexBuffer, nullptr);

    // A reset keeps no state: put the view and projection back as a new frame would.
    lookFromFront(100.0f);
    device()->SetRenderState(D3DRS_LIGHTING, FALSE);
    beginFrame(0xFF000000);
    sparks.Draw();
    endFrame();
    int px, py;
    project(0.0f, -0.15f, 0.0f, &px, &py);
    EXPECT_TRUE(drawtest::near(pixel(px, py), 0xFFFFFFFF)) << drawtest::hex(pixel(px, py));
}

// Lighting stays on while the game draws sparks: the lit colour must be a
// plain, steady grey, never the noise that undefined normals give.
TEST_F(ParticleDeviceTest, LitParticlesHaveADefinedColour) {
    requireDrawing();
    if (HasFatalFailure()) return;
    lookFromFront(100.0f);
    CParticleSystem particles;
    particles.Create(2, device(), 0xFFFFFFFF);
    particles.Add(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 10);
    int px, py;
    project(0.0f, -0.15f, 0.0f, &px, &py);
    uint32_t first = 0;
    for (int frame = 0; frame < 2; ++frame) {
        beginFrame(0xFF000000);
        particles.Draw();
        endFrame();
        const uint32_t lit = pixel(px, py);
        EXPECT_EQ(drawtest::red(lit), drawtest::green(lit)) << drawtest::hex(lit);
        EXPECT_EQ(drawtest::red(lit), drawtest::blue(lit)) << drawtest::hex(lit);
        EXPECT_GT(drawtest::red(lit), 40) << drawtest::hex(lit);  // lit from the front
        if (frame == 0) first = lit;
        else EXPECT_EQ(lit, first);
    }
}

}  // namespace
