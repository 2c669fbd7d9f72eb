#include "screen_fixture.h"

#include "GraphicsApp.h"
#include "host.h"
#include "test_env.h"
#include "test_window.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace screentest {

uint32_t Frame::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= 800 || y >= 600 || pixels.size() != 800u * 600u) return 0;
    return pixels[size_t(y) * 800 + x];
}

int channelDistance(uint32_t a, uint32_t b) {
    int d = std::abs(red(a) - red(b));
    d = std::max(d, std::abs(green(a) - green(b)));
    return std::max(d, std::abs(blue(a) - blue(b)));
}

void ScreenTest::SetUp() {
    m_window = testenv::makeTestWindow(640, 480, true);
    ASSERT_NE(m_window, nullptr);
    g_hWnd = m_window;
    g_App.CreateD3D();
    ASSERT_NE(g_App.m_pD3D, nullptr);
    D3DDISPLAYMODE mode = {800, 600, 60, D3DFMT_A8R8G8B8};
    ASSERT_EQ(g_App.InitFullscreen(&mode, D3DDEVTYPE_HAL, m_window), 1);
    m_device = g_App.m_pDevice;
    ASSERT_NE(m_device, nullptr);
    g_App.SetDefaultRenderStates();
    g_App.SetDefaultLight();
    ASSERT_EQ(host::backBufferWidth(), 800);
    ASSERT_EQ(host::backBufferHeight(), 600);
    m_previousDir = std::filesystem::current_path().string();
    ASSERT_EQ(chdir(testenv::runDir().c_str()), 0);
    m_camera.Init(device(), m_window);
}

void ScreenTest::TearDown() {
    if (m_device) {
        m_device->SetTexture(0, nullptr);
        m_device->SetStreamSource(0, nullptr, 0);
    }
    g_App.ReleaseDevice();
    m_device = nullptr;
    if (m_window) DestroyWindow(m_window);
    m_window = nullptr;
    if (!m_previousDir.empty()) (void)chdir(m_previousDir.c_str());
}

void ScreenTest::beginFrame(D3DCOLOR clear) {
    device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
    device()->BeginScene();
}

Frame ScreenTest::endFrame() {
    device()->EndScene();
    return Frame{host::readBackBuffer()};
}

void ScreenTest::leaveRunDir() {
    const std::string empty = testenv::outputPath("no_media");
    std::filesystem::create_directories(empty);
    ASSERT_EQ(chdir(empty.c_str()), 0);
}

}  // namespace screentest
