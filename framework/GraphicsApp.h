// The application object: owns the Direct3D object and the full-screen
// device, sets the states every screen starts from, begins and ends frames
// and brings a lost device back. One instance, g_App.
#pragma once

#include "d3d8_api.h"

class CGraphicsApp {
public:
    CGraphicsApp();

    // The hook table, in slot order.
    virtual ~CGraphicsApp();
    virtual int SpareHookA();
    virtual int OnDeleteDeviceObjects();
    virtual HRESULT BeginFrame();
    virtual int SpareHookB();
    virtual int OnFinalCleanup();
    virtual HRESULT EndFrame();
    virtual int HandleMessage(const MSG* msg);
    virtual int OnInvalidateDeviceObjects();
    virtual int OnRestoreDeviceObjects();
    virtual void SpareHookC();

    int CreateD3D();
    HRESULT CreateDevice(const D3DDEVICE_CREATION_PARAMETERS* params, D3DPRESENT_PARAMETERS* pp);
    int InitFullscreen(const D3DDISPLAYMODE* mode, D3DDEVTYPE deviceType, HWND focusWindow);
    HRESULT InitWindowed(HWND focusWindow, D3DDEVTYPE deviceType, DWORD behaviorFlags);
    int EnumDisplayModes(D3DDISPLAYMODE* modes, int max);
    void SetDefaultRenderStates();
    void SetDefaultLight();
    int RecoverLostDevice();
    int ReleaseDevice();
    LRESULT MsgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    int m_nWidth;
    int m_nHeight;
    IDirect3DDevice8* m_pDevice;
    IDirect3D8* m_pD3D;
    D3DPRESENT_PARAMETERS m_pp;
    D3DDEVICE_CREATION_PARAMETERS m_CreateParams;
};

// Objects that hold default-pool resources (vertex buffers the device must
// not keep across a reset) register here when they create them. The
// application's recovery hooks call every invalidate callback before the
// reset and every restore callback after it.
typedef void (*DEVICEOBJECTCALLBACK)(void* pObject);
int RegisterDefaultPoolObject(void* pObject, DEVICEOBJECTCALLBACK pfnInvalidate,
                              DEVICEOBJECTCALLBACK pfnRestore);
void UnregisterDefaultPoolObject(void* pObject);
// A default-pool buffer that is still the device's stream 0 is held by the
// device and would keep the reset from succeeding: let go of it there first.
void UnbindStreamSource(IDirect3DDevice8* pDevice, IDirect3DVertexBuffer8* pBuffer);

extern CGraphicsApp g_App;
extern HWND g_hWnd;
extern HINSTANCE g_hInstance;
extern int g_bRunning;
