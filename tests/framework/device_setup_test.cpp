// Creating the full-screen device, and the states every screen starts from.
#include "GraphicsApp.h"
#include "fake_game.h"
#include "host.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct CreationCase {
    const char* name;
    bool hardwareTnL;
    bool capsUnreadable;
    DWORD failFlags;
    int expectedResult;
    int expectedAttempts;
    DWORD expectedFinalFlags;
};

class DeviceCreation : public ::testing::TestWithParam<CreationCase> {};

TEST_P(DeviceCreation, TriesHardwareThenSoftwareVertexProcessing) {
    const CreationCase& c = GetParam();
    platform::DeviceFaults& faults = host::deviceFaults();
    faults.hardwareTnL = c.hardwareTnL;
    faults.capsUnreadable = c.capsUnreadable;
    faults.failCreationWithFlags = c.failFlags;
    FakeGame& game = FakeGame::instance();
    game.onFrame = [](int) { PostQuitMessage(0); };
    const int exitCode = FakeGame::runProgram();
    EXPECT_EQ(exitCode, c.expectedResult) << c.name;
    EXPECT_EQ(faults.createDeviceCalls, c.expectedAttempts) << c.name;
    EXPECT_EQ(faults.lastBehaviorFlags, c.expectedFinalFlags) << c.name;
    if (c.expectedResult == 1) {
        EXPECT_EQ(g_App.m_CreateParams.BehaviorFlags, c.expectedFinalFlags) << c.name;
    }
}

const DWORD HW = D3DCREATE_HARDWARE_VERTEXPROCESSING;
const DWORD SW = D3DCREATE_SOFTWARE_VERTEXPROCESSING;

INSTANTIATE_TEST_SUITE_P(
    Attempts, DeviceCreation,
    ::testing::Values(CreationCase{"HardwareOnly", true, false, 0, 1, 1, HW},
                      CreationCase{"HardwareFailsSoftwareFollows", true, false, HW, 1, 2, SW},
                      CreationCase{"NoHardwareTnL", false, false, 0, 1, 1, SW},
                      CreationCase{"UnreadableCaps", true, true, 0, 1, 1, SW},
                      CreationCase{"BothFail", true, false, HW | SW, 0, 2, SW}),
    [](const ::testing::TestParamInfo<CreationCase>& info) { return std::string(info.param.name); });

TEST(DeviceCreationNoRuntime, MissingDirect3DFailsTheStartUp) {
    host::deviceFaults().direct3dUnavailable = true;
    EXPECT_EQ(FakeGame::runProgram(), 0);
    EXPECT_EQ(host::deviceFaults().createDeviceCalls, 0);
    EXPECT_EQ(FakeGame::instance().shutdownCalls, 0);
}

TEST(WindowedDevice, DesktopFormatAndAlwaysSoftwareVertexProcessing) {
    FakeGame& game = FakeGame::instance();
    game.createDevice = false;
    HRESULT hr = E_FAIL;
    game.onInit = [&] {
        g_App.CreateD3D();
        // The behaviour asked for is not what the windowed device gets.
        hr = g_App.InitWindowed(g_hWnd, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING);
    };
    game.onFrame = [](int) { PostQuitMessage(0); };
    ASSERT_EQ(FakeGame::runProgram(), 1);
    EXPECT_EQ(hr, S_OK);
    const platform::DeviceFaults& faults = host::deviceFaults();
    EXPECT_EQ(faults.createDeviceCalls, 1);
    EXPECT_EQ(faults.lastBehaviorFlags, DWORD(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
    EXPECT_EQ(g_App.m_CreateParams.BehaviorFlags, DWORD(D3DCREATE_SOFTWARE_VERTEXPROCESSING));
    EXPECT_EQ(g_App.m_CreateParams.AdapterOrdinal, 0u);
    D3DDISPLAYMODE desktop{};
    ASSERT_EQ(g_App.m_pD3D->GetAdapterDisplayMode(0, &desktop), D3D_OK);
    const D3DPRESENT_PARAMETERS& pp = g_App.m_pp;
    EXPECT_TRUE(pp.Windowed);
    EXPECT_EQ(pp.BackBufferWidth, 0u);
    EXPECT_EQ(pp.BackBufferHeight, 0u);
    EXPECT_EQ(pp.BackBufferFormat, desktop.Format);
    EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_TRUE(pp.EnableAutoDepthStencil);
    EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(pp.FullScreen_RefreshRateInHz, 0u);
}

TEST(WindowedDevice, FailedCreationIsReportedAsEFail) {
    // Whatever the runtime's own code, the caller sees E_FAIL.
    host::deviceFaults().failCreationWithFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    g_App.CreateD3D();
    EXPECT_EQ(g_App.InitWindowed(nullptr, D3DDEVTYPE_HAL, 0), E_FAIL);
    EXPECT_EQ(host::deviceFaults().createDeviceCalls, 1);
    EXPECT_EQ(g_App.m_pDevice, nullptr);
}

class DefaultState : public ::testing::Test {
protected:
    void SetUp() override {
        FakeGame::instance().onFrame = [this](int) {
            device = g_App.m_pDevice;
            read();
            PostQuitMessage(0);
        };
        ASSERT_EQ(FakeGame::runProgram(), 1);
    }
    void read() {
        for (auto state : {D3DRS_CULLMODE, D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND,
                           D3DRS_LIGHTING, D3DRS_AMBIENT, D3DRS_ZENABLE})
            device->GetRenderState(state, &renderStates[state]);
        device->GetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, &transformFlags);
        device->GetTextureStageState(0, D3DTSS_MIPFILTER, &mipFilter);
        device->GetLight(0, &light);
        device->GetLightEnable(0, &lightOn);
        pp = g_App.m_pp;
    }
    IDirect3DDevice8* device = nullptr;
    DWORD renderStates[D3DRS_COUNT] = {};
    DWORD transformFlags = 0, mipFilter = 0;
    D3DLIGHT8 light{};
    BOOL lightOn = FALSE;
    D3DPRESENT_PARAMETERS pp{};
};

TEST_F(DefaultState, SixDefaultRenderStates) {
    EXPECT_EQ(renderStates[D3DRS_CULLMODE], DWORD(D3DCULL_NONE));
    EXPECT_EQ(transformFlags, DWORD(D3DTTFF_COUNT2));
    EXPECT_EQ(mipFilter, DWORD(D3DTEXF_POINT));
    EXPECT_EQ(renderStates[D3DRS_ALPHABLENDENABLE], DWORD(TRUE));
    EXPECT_EQ(renderStates[D3DRS_SRCBLEND], DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(renderStates[D3DRS_DESTBLEND], DWORD(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(renderStates[D3DRS_ZENABLE], DWORD(D3DZB_TRUE));  // the auto depth buffer is on
}

TEST_F(DefaultState, SceneLightIsLightZeroWithAmbient) {
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(light.Diffuse.r, 0.5f);
    EXPECT_FLOAT_EQ(light.Diffuse.g, 0.5f);
    EXPECT_FLOAT_EQ(light.Diffuse.b, 0.5f);
    EXPECT_FLOAT_EQ(light.Diffuse.a, 0.0f);
    EXPECT_FLOAT_EQ(light.Direction.x, 0.0f);
    EXPECT_FLOAT_EQ(light.Direction.y, -1.0f);
    EXPECT_FLOAT_EQ(light.Direction.z, 1.0f);
    EXPECT_FLOAT_EQ(light.Range, 1000.0f);
    EXPECT_FLOAT_EQ(light.Specular.r + light.Ambient.r + light.Attenuation0 + light.Phi, 0.0f);
    EXPECT_TRUE(lightOn);
    EXPECT_EQ(renderStates[D3DRS_LIGHTING], DWORD(TRUE));
    EXPECT_EQ(renderStates[D3DRS_AMBIENT], 0x11111111u);
}

TEST_F(DefaultState, FullScreenPresentationParameters) {
    EXPECT_FALSE(pp.Windowed);
    EXPECT_EQ(pp.BackBufferWidth, 800u);
    EXPECT_EQ(pp.BackBufferHeight, 600u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_A8R8G8B8);
    EXPECT_EQ(pp.FullScreen_RefreshRateInHz, 60u);
    EXPECT_EQ(pp.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_TRUE(pp.EnableAutoDepthStencil);
    EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(pp.BackBufferCount, 0u);
    EXPECT_EQ(pp.hDeviceWindow, nullptr);
}

TEST(Frame, ClearedToOpaqueBlackAndPresented) {
    FakeGame& game = FakeGame::instance();
    uint32_t centre = 0, corner = 0;
    game.onInit = [] {
        // Paint the back buffer first, so that only the frame's own clear can make it black.
        g_App.m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF3060A0, 1.0f, 0);
    };
    game.onFrame = [&](int) {
        centre = host::backBufferPixel(400, 300);
        corner = host::backBufferPixel(799, 599);
        EXPECT_TRUE(host::captureBackBuffer(testenv::outputPath("cleared_frame.png")));
        PostQuitMessage(0);
    };
    ASSERT_EQ(FakeGame::runProgram(), 1);
    EXPECT_EQ(centre, 0xFF000000u);
    EXPECT_EQ(corner, 0xFF000000u);
    EXPECT_GE(host::deviceFaults().presentCalls, 1);
}

// Each frame starts with the depth buffer at its farthest: what the last
// frame drew must not hide what this one draws.
TEST(Frame, ClearsTheDepthBufferToo) {
    FakeGame& game = FakeGame::instance();
    uint32_t drawn = 0;
    game.onInit = [] {
        // Everything nearer than anything the frame can draw.
        g_App.m_pDevice->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.0f, 0);
    };
    game.onFrame = [&](int) {
        struct Vertex {
            float x, y, z, rhw;
            D3DCOLOR colour;
        };
        const Vertex quad[4] = {{300, 200, 0.5f, 1, 0xFFFFFFFF}, {500, 200, 0.5f, 1, 0xFFFFFFFF},
                                {300, 400, 0.5f, 1, 0xFFFFFFFF}, {500, 400, 0.5f, 1, 0xFFFFFFFF}};
        IDirect3DDevice8* device = g_App.m_pDevice;
        IDirect3DVertexBuffer8* buffer = nullptr;
        ASSERT_EQ(device->CreateVertexBuffer(sizeof quad, 0, D3DFVF_XYZRHW | D3DFVF_DIFFUSE,
                                             D3DPOOL_MANAGED, &buffer),
                  D3D_OK);
        BYTE* data = nullptr;
        buffer->Lock(0, sizeof quad, &data, 0);
        std::memcpy(data, quad, sizeof quad);
        buffer->Unlock();
        device->SetTexture(0, nullptr);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        device->SetStreamSource(0, buffer, sizeof(Vertex));
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        device->SetStreamSource(0, nullptr, 0);
        buffer->Release();
        drawn = host::backBufferPixel(400, 300);
        PostQuitMessage(0);
    };
    ASSERT_EQ(FakeGame::runProgram(), 1);
    EXPECT_EQ(drawn, 0xFFFFFFFFu);
}

TEST(Frame, EnumeratesTheAdaptersModes) {
    g_App.CreateD3D();
    D3DDISPLAYMODE modes[64] = {};
    const int count = g_App.EnumDisplayModes(modes, 0);
    EXPECT_GT(count, 0);
    EXPECT_EQ(modes[0].Width, 0u);  // max 0 writes nothing
    EXPECT_EQ(g_App.EnumDisplayModes(modes, 64), count);
    EXPECT_NE(modes[count - 1].Width, 0u);
    EXPECT_EQ(modes[count].Width, 0u);
}

}  // namespace
