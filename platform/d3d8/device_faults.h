// Scripted platform behaviour for tests: what the adapter reports, which
// creations fail, when the device is lost and how its recovery answers.
// Set through host.h; the layer's own code only reads it.
#pragma once

#include "win32_api.h"

#include <deque>
#include <functional>

namespace platform {

struct DeviceFaults {
    bool direct3dUnavailable = false;   // Direct3DCreate8 returns null
    bool capsUnreadable = false;        // GetDeviceCaps fails
    bool hardwareTnL = true;            // the adapter offers hardware transform and lighting
    DWORD failCreationWithFlags = 0;    // CreateDevice fails when the behaviour has any of these
    int presentsUntilLost = -1;         // this many Presents succeed, then the device is lost
    HRESULT presentFailureOnce = S_OK;  // the next Present fails with this (not a loss)
    std::deque<HRESULT> cooperativeScript;  // answers of TestCooperativeLevel while lost
    int resetRefusals = 0;              // this many Resets fail before one may succeed
    int textureCreationFailures = 0;    // this many CreateTexture calls fail
    int vertexBufferCreationFailures = 0;  // this many CreateVertexBuffer calls fail
    int createDeviceCalls = 0;          // observed
    DWORD lastBehaviorFlags = 0;        // observed
    int resetCalls = 0;                 // observed
    int presentCalls = 0;               // observed
    // Called after every picture shown, with presentCalls: lets a test act
    // between the frames of a whole-program run (keys, captures, faults).
    std::function<void(int presentCount)> afterPresent;

    static DeviceFaults& instance();
    void clear() { *this = DeviceFaults{}; }
};

}  // namespace platform
