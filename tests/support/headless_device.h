// A window and a full-screen 800x600 device on the headless renderer, for
// tests of the layer itself.
#pragma once

#include "d3d8_api.h"

class HeadlessDevice {
public:
    // The window's size; the headless renderer keeps a window's pixels at
    // the size it was made with, so tests of what it shows choose 800x600.
    explicit HeadlessDevice(int windowWidth = 640, int windowHeight = 480);
    ~HeadlessDevice();
    HeadlessDevice(const HeadlessDevice&) = delete;
    HeadlessDevice& operator=(const HeadlessDevice&) = delete;

    IDirect3DDevice8* device() const { return m_device; }
    IDirect3DDevice8* operator->() const { return m_device; }
    HWND window() const { return m_window; }
    D3DPRESENT_PARAMETERS& params() { return m_params; }

private:
    HWND m_window = nullptr;
    IDirect3D8* m_d3d = nullptr;
    IDirect3DDevice8* m_device = nullptr;
    D3DPRESENT_PARAMETERS m_params{};
};
