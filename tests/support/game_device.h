// The game's own device, made as the start-up makes it: full screen 800x600
// through the application object (g_App), with the default render states and
// light. For test programs that link the framework.
#pragma once

#include "win32_api.h"

namespace testenv {

// Makes the device on `window` (which becomes g_hWnd); fails the running
// test fatally when it cannot be made. The device is g_App.m_pDevice.
void makeGameDevice(HWND window);

// Unbinds what a test left bound on the device, releases it and destroys
// `window` (when there is one).
void releaseGameDevice(HWND window);

}  // namespace testenv
