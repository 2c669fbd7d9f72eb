// The layer's window classes and windows. A window is an SDL window with the
// procedure of its class; its handle is the address of its record.
#pragma once

#include "win32_api.h"

#include <string>

struct SDL_Window;

namespace platform {

struct Window {
    SDL_Window* sdl = nullptr;
    WNDPROC procedure = nullptr;
    std::string title;
    std::string className;  // as created, with its style, place and size
    DWORD style = 0;
    int createdX = 0, createdY = 0, createdWidth = 0, createdHeight = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    uint32_t sdlId = 0;
};

// The window behind a handle, or null for a handle that is not (or no longer) one.
Window* findWindow(HWND window);
// The window SDL knows by this id, or null.
Window* findWindowBySdlId(uint32_t id);
// Any live window (the program has one), or null.
HWND firstWindow();

// The device takes the window over at the back buffer's size.
void setClientSize(HWND window, int width, int height);

}  // namespace platform
