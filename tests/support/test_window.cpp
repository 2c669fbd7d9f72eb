#include "test_window.h"

namespace testenv {

namespace {
const char* const kClassName = "Test Window";

LRESULT testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

HWND makeTestWindow(int width, int height, bool visible) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEX wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = testWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        registered = RegisterClassExA(&wc) != 0;
    }
    const DWORD style = WS_POPUP | (visible ? WS_VISIBLE : 0);
    return CreateWindowExA(0, kClassName, kClassName, style, 0, 0, width, height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

}  // namespace testenv
