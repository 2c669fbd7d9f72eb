#include "WinMain.h"

#include "GraphicsApp.h"

#include <cstring>

LRESULT WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return g_App.MsgProc(hWnd, message, wParam, lParam);
}

static void RegisterHostClass(HINSTANCE hInstance) {
    WNDCLASSEX wc;
    std::memset(&wc, 0, sizeof wc);
    wc.cbSize = sizeof(WNDCLASSEX);  // the structure's own size, whatever the platform's word size
    wc.style = CS_CLASSDC;
    wc.lpfnWndProc = WndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(hInstance, "ICON1");
    wc.hCursor = nullptr;
    wc.hbrBackground = nullptr;
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = "Host Application";
    wc.hIconSm = nullptr;
    RegisterClassExA(&wc);
}

int WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    RegisterHostClass(hInstance);
    HINSTANCE hModule = GetModuleHandleA(nullptr);
    g_hWnd = CreateWindowExA(0, "Host Application", "Host Application", WS_POPUP | WS_VISIBLE, 0,
                             0, 640, 480, nullptr, nullptr, hModule, nullptr);
    g_hInstance = hModule;
    g_bRunning = 1;

    if (!InitGame()) return 0;

    MSG msg;
    std::memset(&msg, 0, sizeof msg);
    BOOL bGotMsg = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    while (msg.message != WM_QUIT && g_bRunning) {
        g_App.BeginFrame();
        GameFrame();
        if (g_App.EndFrame() == D3DERR_DEVICELOST) {
            g_App.OnInvalidateDeviceObjects();
            g_App.RecoverLostDevice();
            g_App.OnRestoreDeviceObjects();
        }
        if (bGotMsg) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        bGotMsg = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        g_bRunning = g_App.HandleMessage(&msg);
    }

    ShutdownGame();
    return 1;
}
