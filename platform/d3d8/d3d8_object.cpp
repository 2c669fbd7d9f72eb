// The Direct3D object: one adapter that offers the desktop's mode list and
// creates devices on the program's window.
#include "d3d8_api.h"

#include "d3d_device.h"
#include "device_faults.h"
#include "gl_context.h"
#include "ref_counted.h"
#include "sdl_runtime.h"
#include "window_registry.h"

#include <SDL.h>

#include <cstring>

namespace platform {

DeviceFaults& DeviceFaults::instance() {
    static DeviceFaults faults;
    return faults;
}

namespace {

// The modes the adapter offers: the classic ones, all 32-bit.
const D3DDISPLAYMODE kModes[] = {
    {640, 480, 60, D3DFMT_X8R8G8B8},  {800, 600, 60, D3DFMT_X8R8G8B8},
    {1024, 768, 60, D3DFMT_X8R8G8B8}, {640, 480, 60, D3DFMT_A8R8G8B8},
    {800, 600, 60, D3DFMT_A8R8G8B8},  {1024, 768, 60, D3DFMT_A8R8G8B8},
};
const UINT kModeCount = sizeof kModes / sizeof kModes[0];

bool headlessVideo() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

class Direct3D final : public RefCounted<IDirect3D8> {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDirect3D8) {
            AddRef();
            *object = static_cast<IDirect3D8*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    UINT GetAdapterCount() override { return 1; }

    UINT GetAdapterModeCount(UINT adapter) override { return adapter == 0 ? kModeCount : 0; }

    HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) override {
        if (adapter != 0 || mode >= kModeCount || !displayMode) return D3DERR_INVALIDCALL;
        *displayMode = kModes[mode];
        return D3D_OK;
    }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override {
        if (adapter != 0 || !displayMode) return D3DERR_INVALIDCALL;
        SDL_DisplayMode desktop{};
        if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0)
            *displayMode = D3DDISPLAYMODE{UINT(desktop.w), UINT(desktop.h),
                                          UINT(desktop.refresh_rate), D3DFMT_X8R8G8B8};
        else
            *displayMode = D3DDISPLAYMODE{800, 600, 60, D3DFMT_X8R8G8B8};
        return D3D_OK;
    }

    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) override {
        if (!caps) return D3DERR_INVALIDCALL;
        if (adapter != 0 || DeviceFaults::instance().capsUnreadable) return D3DERR_INVALIDDEVICE;
        *caps = D3DCAPS8{};
        caps->DeviceType = type;
        caps->AdapterOrdinal = adapter;
        caps->DevCaps = DeviceFaults::instance().hardwareTnL ? D3DDEVCAPS_HWTRANSFORMANDLIGHT : 0;
        caps->MaxTextureWidth = caps->MaxTextureHeight = 4096;
        caps->MaxActiveLights = 8;
        caps->MaxStreams = 1;
        return D3D_OK;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice8** device) override {
        DeviceFaults& faults = DeviceFaults::instance();
        ++faults.createDeviceCalls;
        faults.lastBehaviorFlags = behaviorFlags;
        if (!device) return D3DERR_INVALIDCALL;
        *device = nullptr;
        if (adapter != 0 || !params) return D3DERR_INVALIDCALL;
        if (behaviorFlags & faults.failCreationWithFlags) return D3DERR_NOTAVAILABLE;
        const bool software = behaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING;
        const bool hardware = behaviorFlags & D3DCREATE_HARDWARE_VERTEXPROCESSING;
        if (software == hardware) return D3DERR_INVALIDCALL;
        if (hardware && !faults.hardwareTnL) return D3DERR_NOTAVAILABLE;

        HWND windowHandle = params->hDeviceWindow ? params->hDeviceWindow : focusWindow;
        Window* window = findWindow(windowHandle);
        if (!window) return D3DERR_INVALIDCALL;
        int width = int(params->BackBufferWidth), height = int(params->BackBufferHeight);
        if (params->Windowed) {
            if (width == 0) width = window->clientWidth;
            if (height == 0) height = window->clientHeight;
        }
        if (width <= 0 || height <= 0) return D3DERR_INVALIDCALL;

        if (!params->Windowed) takeOverScreen(*window, width, height);
        auto gl = GlContext::create(window->sdl, width, height);
        if (!gl) return D3DERR_NOTAVAILABLE;
        if (!params->Windowed) setClientSize(windowHandle, width, height);

        D3DDEVICE_CREATION_PARAMETERS creation{adapter, type, focusWindow, behaviorFlags};
        *device = new D3DDevice(this, creation, *params, std::move(gl));
        return D3D_OK;
    }

private:
    // Full screen: the window covers the desktop and shows the back buffer
    // scaled with its aspect kept. Headless there is no desktop to cover.
    // The window is first made to cover its display by hand, so the take-over
    // also works where no window manager honours the full-screen request.
    static void takeOverScreen(Window& window, int width, int height) {
        SDL_Rect desktop{};
        if (headlessVideo() ||
            SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window.sdl), &desktop) != 0) {
            SDL_SetWindowSize(window.sdl, width, height);
            return;
        }
        SDL_SetWindowPosition(window.sdl, desktop.x, desktop.y);
        SDL_SetWindowSize(window.sdl, desktop.w, desktop.h);
        SDL_SetWindowFullscreen(window.sdl, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
};

}  // namespace
}  // namespace platform

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    if (platform::DeviceFaults::instance().direct3dUnavailable) return nullptr;
    if (!platform::ensureSdl(SDL_INIT_VIDEO | SDL_INIT_EVENTS)) return nullptr;
    return new platform::Direct3D;
}
