// Controls of the layer for tests and the test runner, never used by the
// game: a virtual tick clock, the message queue, scripted device behaviour
// and the back buffer.
#pragma once

#include "d3d8_api.h"
#include "device_faults.h"
#include "dsound_api.h"

#include <cstdint>
#include <string>
#include <vector>

namespace host {

// ---- the tick counter behind GetTickCount and Sleep
// From now on time moves only when told to: by `stepPerReading` on every
// GetTickCount reading (so busy-waits end), by Sleep, and by advanceClock.
void useVirtualClock(DWORD start = 0, DWORD stepPerReading = 1);
void useRealClock();
void advanceClock(DWORD milliseconds);
DWORD clockNow();                   // without stepping
uint64_t sleptMilliseconds();       // all Sleep calls so far
uint64_t clockReadings();           // all GetTickCount calls so far

// ---- messages
size_t queuedMessages();
unsigned long dispatchedMessages();
void clearMessages();
// What the window manager sends when the user closes the window.
void requestWindowClose();

// ---- windows: how the program created one (style, class, title, size)
struct WindowCreation {
    bool exists = false;
    std::string className, title;
    DWORD style = 0;
    int x = 0, y = 0, width = 0, height = 0;
};
WindowCreation windowCreation(HWND window);

// ---- sound: the cooperative level a DirectSound object was given (0 for
// none yet), and the window it was given with
DWORD soundCooperativeLevel(IDirectSound* directSound, HWND* window = nullptr);

// ---- Direct3D: scripted adapter and device behaviour, and observations
platform::DeviceFaults& deviceFaults();
IDirect3DDevice8* currentDevice();  // the device created last (no reference taken)
int defaultPoolResources();         // of the current device

// ---- the back buffer of the current device
int backBufferWidth();
int backBufferHeight();
// 0xAARRGGBB, row 0 at the top; empty without a device.
std::vector<uint32_t> readBackBuffer();
uint32_t backBufferPixel(int x, int y);
bool captureBackBuffer(const std::string& pngPath);
// The picture Present puts on the device's window, composed as Present does
// but not shown, likewise, with the window's size; empty without a device.
std::vector<uint32_t> readPresentedWindow(int& width, int& height);

}  // namespace host
