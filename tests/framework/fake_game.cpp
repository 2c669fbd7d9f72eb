#include "fake_game.h"

#include "GraphicsApp.h"
#include "WinMain.h"

FakeGame& FakeGame::instance() {
    static FakeGame game;
    return game;
}

int FakeGame::runProgram() { return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 1); }

int InitGame() {
    FakeGame& game = FakeGame::instance();
    ++game.initCalls;
    if (!game.initResult) return 0;
    if (game.createDevice) {
        g_App.CreateD3D();
        D3DDISPLAYMODE mode = {800, 600, 60, D3DFMT_A8R8G8B8};
        if (!g_App.InitFullscreen(&mode, D3DDEVTYPE_HAL, g_hWnd)) return 0;
        g_App.SetDefaultRenderStates();
        g_App.SetDefaultLight();
    }
    if (game.onInit) game.onInit();
    return 1;
}

void GameFrame() {
    FakeGame& game = FakeGame::instance();
    ++game.frames;
    if (game.onFrame) game.onFrame(game.frames);
}

void ShutdownGame() {
    ++FakeGame::instance().shutdownCalls;
    g_App.OnDeleteDeviceObjects();
    g_App.ReleaseDevice();
    g_App.OnFinalCleanup();
}
