// Placeholder game: until the game itself lands, start-up makes the
// full-screen device and every frame is black; closing the window quits.
#include "GraphicsApp.h"
#include "WinMain.h"

int InitGame() {
    ShowCursor(FALSE);
    g_App.CreateD3D();
    D3DDISPLAYMODE mode = {800, 600, 60, D3DFMT_A8R8G8B8};
    if (!g_App.InitFullscreen(&mode, D3DDEVTYPE_HAL, g_hWnd)) return 0;
    g_App.SetDefaultRenderStates();
    g_App.SetDefaultLight();
    return 1;
}

void GameFrame() {}

void ShutdownGame() {
    g_App.OnDeleteDeviceObjects();
    g_App.ReleaseDevice();
    g_App.OnFinalCleanup();
}
