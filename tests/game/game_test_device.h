// The game's own 800x600 device on the headless renderer, made and set up as
// the start-up makes it (full screen through the application object, the
// default render states and light), with the working directory in the
// generated run directory so the game's own "media\..." names reach the real
// files. Release (or the destructor) frees the device and the window and
// goes back to the previous directory.
#pragma once

#include "d3d8_api.h"

#include <string>

class GameTestDevice {
public:
    ~GameTestDevice() { Release(); }

    // Fails the running test (fatally) when the device cannot be made.
    void Create();
    void Release();

    IDirect3DDevice8* device() const { return m_device; }
    HWND window() const { return m_window; }

private:
    HWND m_window = nullptr;
    IDirect3DDevice8* m_device = nullptr;
    std::string m_previousDir;
};
