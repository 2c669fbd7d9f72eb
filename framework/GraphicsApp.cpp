#include "GraphicsApp.h"

#include <cstring>
#include <vector>

// Built before the game's objects and destroyed after them (they follow at 1003).
__attribute__((init_priority(1001))) CGraphicsApp g_App;
HWND g_hWnd = nullptr;
HINSTANCE g_hInstance = nullptr;
int g_bRunning = 0;

namespace {

// How long a lost device may keep the program waiting before it gives up
// and shuts down cleanly: tests of the device, one a second, and resets
// that fail although the device said it could be reset.
const int kMaxRecoveryTests = 60;
const int kMaxFailedResets = 5;

struct SDefaultPoolObject {
    void* pObject;
    DEVICEOBJECTCALLBACK pfnInvalidate;
    DEVICEOBJECTCALLBACK pfnRestore;
};

// Never destroyed: global objects may unregister from their destructors at exit.
std::vector<SDefaultPoolObject>& DefaultPoolObjects() {
    static std::vector<SDefaultPoolObject>* objects = new std::vector<SDefaultPoolObject>;
    return *objects;
}

}  // namespace

int RegisterDefaultPoolObject(void* pObject, DEVICEOBJECTCALLBACK pfnInvalidate,
                              DEVICEOBJECTCALLBACK pfnRestore) {
    if (!pObject) return 0;
    UnregisterDefaultPoolObject(pObject);
    DefaultPoolObjects().push_back(SDefaultPoolObject{pObject, pfnInvalidate, pfnRestore});
    return 1;
}

void UnregisterDefaultPoolObject(void* pObject) {
    std::vector<SDefaultPoolObject>& objects = DefaultPoolObjects();
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i].pObject == pObject) {
            objects.erase(objects.begin() + i);
            return;
        }
    }
}

void UnbindStreamSource(IDirect3DDevice8* pDevice, IDirect3DVertexBuffer8* pBuffer) {
    if (!pDevice || !pBuffer) return;
    IDirect3DVertexBuffer8* pBound = nullptr;
    UINT nStride = 0;
    if (FAILED(pDevice->GetStreamSource(0, &pBound, &nStride)) || !pBound) return;
    if (pBound == pBuffer) pDevice->SetStreamSource(0, nullptr, 0);
    pBound->Release();
}

CGraphicsApp::CGraphicsApp() : m_nWidth(800), m_nHeight(600) {}

CGraphicsApp::~CGraphicsApp() {
    if (m_pD3D) m_pD3D->Release();
    m_pD3D = nullptr;
}

int CGraphicsApp::SpareHookA() { return 1; }
int CGraphicsApp::OnDeleteDeviceObjects() { return 1; }
int CGraphicsApp::SpareHookB() { return 1; }
int CGraphicsApp::OnFinalCleanup() { return 1; }
int CGraphicsApp::HandleMessage(const MSG*) { return 1; }
void CGraphicsApp::SpareHookC() {}

// A reset needs every default-pool resource released first: the objects
// that hold one let go of it here...
int CGraphicsApp::OnInvalidateDeviceObjects() {
    const std::vector<SDefaultPoolObject> objects = DefaultPoolObjects();
    for (const SDefaultPoolObject& object : objects)
        if (object.pfnInvalidate) object.pfnInvalidate(object.pObject);
    return 1;
}

// ...and make it again once the device is back.
int CGraphicsApp::OnRestoreDeviceObjects() {
    const std::vector<SDefaultPoolObject> objects = DefaultPoolObjects();
    for (const SDefaultPoolObject& object : objects)
        if (object.pfnRestore) object.pfnRestore(object.pObject);
    return 1;
}

HRESULT CGraphicsApp::BeginFrame() {
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    return m_pDevice->BeginScene();
}

HRESULT CGraphicsApp::EndFrame() {
    m_pDevice->EndScene();
    return m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
}

int CGraphicsApp::CreateD3D() {
    m_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
    m_pDevice = nullptr;
    return 0;
}

HRESULT CGraphicsApp::CreateDevice(const D3DDEVICE_CREATION_PARAMETERS* params,
                                   D3DPRESENT_PARAMETERS* pp) {
    // Kept for Reset, which presents with the same parameters again.
    if (params != &m_CreateParams) m_CreateParams = *params;
    if (pp != &m_pp) m_pp = *pp;
    // Without a Direct3D runtime there is nothing to create the device on.
    if (!m_pD3D) return E_FAIL;
    return m_pD3D->CreateDevice(params->AdapterOrdinal, params->DeviceType, params->hFocusWindow,
                                params->BehaviorFlags, pp, &m_pDevice);
}

int CGraphicsApp::InitFullscreen(const D3DDISPLAYMODE* mode, D3DDEVTYPE deviceType,
                                 HWND focusWindow) {
    // Without a Direct3D object there is nothing to create a device on.
    if (!m_pD3D || !mode) return 0;
    std::memset(&m_pp, 0, sizeof m_pp);
    m_pp.Windowed = FALSE;
    m_pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_pp.BackBufferWidth = mode->Width;
    m_pp.BackBufferHeight = mode->Height;
    m_pp.BackBufferFormat = mode->Format;
    m_pp.FullScreen_RefreshRateInHz = mode->RefreshRate;
    m_pp.EnableAutoDepthStencil = TRUE;
    m_pp.AutoDepthStencilFormat = D3DFMT_D24S8;

    m_CreateParams.AdapterOrdinal = 0;
    m_CreateParams.DeviceType = deviceType;
    m_CreateParams.hFocusWindow = focusWindow;

    // Capabilities that cannot be read do not speak for hardware vertex
    // processing: only the software attempt is made then.
    D3DCAPS8 caps;
    std::memset(&caps, 0, sizeof caps);
    const HRESULT hrCaps = m_pD3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
    if (SUCCEEDED(hrCaps) && (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)) {
        m_CreateParams.BehaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
        if (SUCCEEDED(CreateDevice(&m_CreateParams, &m_pp))) return 1;
    }
    m_CreateParams.BehaviorFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    return SUCCEEDED(CreateDevice(&m_CreateParams, &m_pp)) ? 1 : 0;
}

// The behaviour argument is not used: a windowed device always gets
// software vertex processing.
HRESULT CGraphicsApp::InitWindowed(HWND focusWindow, D3DDEVTYPE deviceType, DWORD) {
    // No Direct3D runtime: no desktop mode to read and no device to create.
    if (!m_pD3D) return E_FAIL;
    D3DDISPLAYMODE desktop;
    if (FAILED(m_pD3D->GetAdapterDisplayMode(0, &desktop))) return E_FAIL;
    std::memset(&m_pp, 0, sizeof m_pp);
    m_pp.Windowed = TRUE;
    m_pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_pp.BackBufferFormat = desktop.Format;
    m_pp.EnableAutoDepthStencil = TRUE;
    m_pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    m_CreateParams.AdapterOrdinal = 0;
    m_CreateParams.DeviceType = deviceType;
    m_CreateParams.hFocusWindow = focusWindow;
    m_CreateParams.BehaviorFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    return SUCCEEDED(CreateDevice(&m_CreateParams, &m_pp)) ? S_OK : E_FAIL;
}

// Returns the adapter's mode count however many records fit in `modes`.
int CGraphicsApp::EnumDisplayModes(D3DDISPLAYMODE* modes, int max) {
    // No Direct3D runtime: an adapter without modes.
    if (!m_pD3D) return 0;
    const int n = int(m_pD3D->GetAdapterModeCount(0));
    if (max > n) max = n;
    for (int i = 0; i < max; ++i) m_pD3D->EnumAdapterModes(0, UINT(i), &modes[i]);
    return n;
}

void CGraphicsApp::SetDefaultRenderStates() {
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    m_pDevice->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void CGraphicsApp::SetDefaultLight() {
    D3DLIGHT8 light;
    std::memset(&light, 0, sizeof light);
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse.r = 0.5f;
    light.Diffuse.g = 0.5f;
    light.Diffuse.b = 0.5f;
    light.Diffuse.a = 0.0f;
    light.Direction.x = 0.0f;
    light.Direction.y = -1.0f;
    light.Direction.z = 1.0f;
    light.Range = 1000.0f;
    m_pDevice->SetLight(0, &light);
    m_pDevice->LightEnable(0, TRUE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_AMBIENT, 0x11111111);
}

// Waits for the device to become resettable, testing once a second and
// handling one waiting message per test, then resets it. The wait also ends
// when the device reports it is fine again, when a quit request arrives (it
// is posted again so the main loop sees it), and when the device does not
// come back within the limits above: then the program is asked to quit.
int CGraphicsApp::RecoverLostDevice() {
    HRESULT hr = m_pDevice->TestCooperativeLevel();
    if (hr != D3DERR_DEVICELOST && hr != D3DERR_DEVICENOTRESET) return 0;

    int nTests = 0;
    int nFailedResets = 0;
    for (;;) {
        while (hr != D3DERR_DEVICENOTRESET) {
            if (hr == D3D_OK) return 0;
            if (++nTests > kMaxRecoveryTests) {
                PostQuitMessage(0);
                return 0;
            }
            Sleep(1000);
            MSG msg;
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    PostQuitMessage(int(msg.wParam));
                    return 0;
                }
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            hr = m_pDevice->TestCooperativeLevel();
        }
        if (SUCCEEDED(m_pDevice->Reset(&m_pp))) return 0;
        if (++nFailedResets >= kMaxFailedResets) {
            PostQuitMessage(0);
            return 0;
        }
        hr = D3DERR_DEVICELOST;
    }
}

int CGraphicsApp::ReleaseDevice() {
    if (m_pDevice) m_pDevice->Release();
    m_pDevice = nullptr;
    return 0;
}

LRESULT CGraphicsApp::MsgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}
