// Window classes and windows over SDL.
#include "message_queue.h"
#include "sdl_runtime.h"
#include "window_registry.h"

#include <SDL.h>

#include <map>
#include <memory>

namespace platform {

namespace {

struct WindowClass {
    WNDPROC procedure = nullptr;
    HINSTANCE instance = nullptr;
};

std::map<std::string, WindowClass>& classes() {
    static std::map<std::string, WindowClass> table;
    return table;
}

std::map<HWND, std::unique_ptr<Window>>& windows() {
    static std::map<HWND, std::unique_ptr<Window>> table;
    return table;
}

int g_cursorCount = 0;  // ShowCursor's display counter: shown while >= 0

}  // namespace

Window* findWindow(HWND window) {
    auto it = windows().find(window);
    return it == windows().end() ? nullptr : it->second.get();
}

Window* findWindowBySdlId(uint32_t id) {
    for (auto& entry : windows())
        if (entry.second->sdlId == id) return entry.second.get();
    return nullptr;
}

HWND firstWindow() { return windows().empty() ? nullptr : windows().begin()->first; }

void setClientSize(HWND window, int width, int height) {
    if (Window* w = findWindow(window)) {
        w->clientWidth = width;
        w->clientHeight = height;
    }
}

}  // namespace platform

using namespace platform;

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    // The program is one module; any stable non-null token serves.
    static int moduleToken;
    return moduleName ? nullptr : reinterpret_cast<HMODULE>(&moduleToken);
}

HICON LoadIconA(HINSTANCE, LPCSTR) {
    // The program's resources hold no icon by that name.
    return nullptr;
}

WORD RegisterClassExA(const WNDCLASSEX* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) return 0;
    if (classes().count(windowClass->lpszClassName)) return 0;
    classes()[windowClass->lpszClassName] = WindowClass{windowClass->lpfnWndProc,
                                                        windowClass->hInstance};
    return static_cast<WORD>(classes().size());
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    return className && classes().erase(className) ? TRUE : FALSE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, LPVOID) {
    if (!className) return nullptr;
    auto cls = classes().find(className);
    if (cls == classes().end()) return nullptr;
    if (!ensureSdl(SDL_INIT_VIDEO | SDL_INIT_EVENTS)) return nullptr;
    installMessagePump();

    Uint32 flags = SDL_WINDOW_OPENGL;
    if (style & WS_POPUP) flags |= SDL_WINDOW_BORDERLESS;
    if (!(style & WS_VISIBLE)) flags |= SDL_WINDOW_HIDDEN;
    SDL_Window* sdl = SDL_CreateWindow(title ? title : "", x, y, width, height, flags);
    if (!sdl) {
        SDL_Log("CreateWindowExA: %s", SDL_GetError());
        return nullptr;
    }
    auto window = std::make_unique<Window>();
    window->sdl = sdl;
    window->procedure = cls->second.procedure;
    window->title = title ? title : "";
    window->className = className;
    window->style = style;
    window->createdX = x;
    window->createdY = y;
    window->createdWidth = width;
    window->createdHeight = height;
    window->clientWidth = width;
    window->clientHeight = height;
    window->sdlId = SDL_GetWindowID(sdl);
    HWND handle = reinterpret_cast<HWND>(window.get());
    windows()[handle] = std::move(window);
    return handle;
}

BOOL DestroyWindow(HWND handle) {
    Window* window = findWindow(handle);
    if (!window) return FALSE;
    // The procedure sees WM_DESTROY while the window still exists, as on the platform.
    window->procedure(handle, WM_DESTROY, 0, 0);
    // A device may still draw into the window's OpenGL context until the
    // program releases it, so the SDL window is only hidden, never freed
    // under it.
    SDL_HideWindow(window->sdl);
    discardMessagesFor(handle);
    windows().erase(handle);
    return TRUE;
}

BOOL IsWindow(HWND handle) { return findWindow(handle) ? TRUE : FALSE; }

BOOL GetClientRect(HWND handle, RECT* rect) {
    Window* window = findWindow(handle);
    if (!window || !rect) return FALSE;
    *rect = RECT{0, 0, window->clientWidth, window->clientHeight};
    return TRUE;
}

int ShowCursor(BOOL show) {
    g_cursorCount += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(g_cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return g_cursorCount;
}
