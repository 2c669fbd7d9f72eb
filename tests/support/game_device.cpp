#include "game_device.h"

#include "GraphicsApp.h"

#include <gtest/gtest.h>

namespace testenv {

void makeGameDevice(HWND window) {
    ASSERT_NE(window, nullptr);
    g_hWnd = window;
    g_App.CreateD3D();
    ASSERT_NE(g_App.m_pD3D, nullptr);
    D3DDISPLAYMODE mode = {800, 600, 60, D3DFMT_A8R8G8B8};
    ASSERT_EQ(g_App.InitFullscreen(&mode, D3DDEVTYPE_HAL, window), 1);
    ASSERT_NE(g_App.m_pDevice, nullptr);
    g_App.SetDefaultRenderStates();
    g_App.SetDefaultLight();
}

void releaseGameDevice(HWND window) {
    if (IDirect3DDevice8* device = g_App.m_pDevice) {
        device->SetTexture(0, nullptr);
        device->SetStreamSource(0, nullptr, 0);
        device->SetIndices(nullptr, 0);
    }
    g_App.ReleaseDevice();
    if (window) DestroyWindow(window);
}

}  // namespace testenv
