#include "game_test_device.h"

#include "GraphicsApp.h"
#include "host.h"
#include "test_env.h"
#include "test_window.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

void GameTestDevice::Create() {
    m_previousDir = std::filesystem::current_path().string();
    ASSERT_EQ(chdir(testenv::runDir().c_str()), 0);
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
}

void GameTestDevice::Release() {
    if (m_device) {
        m_device->SetTexture(0, nullptr);
        m_device->SetStreamSource(0, nullptr, 0);
        m_device->SetIndices(nullptr, 0);
    }
    g_App.ReleaseDevice();
    m_device = nullptr;
    if (m_window) DestroyWindow(m_window);
    m_window = nullptr;
    if (!m_previousDir.empty()) (void)chdir(m_previousDir.c_str());
    m_previousDir.clear();
}
