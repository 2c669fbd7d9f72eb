#include "InputModule.h"

#include "GraphicsApp.h"

#include <cstring>

IDirectInput8A* g_pDI = NULL;
IDirectInputDevice8A* g_pDIKeyboard = NULL;
IDirectInputDevice8A* g_pDIMouse = NULL;
IDirectInputDevice8A* g_pDIJoystick = NULL;
int g_bJoystickPresent = 0;
GUID g_guidJoystick;
char g_szJoystickName[JOYSTICK_NAME_LENGTH];
BYTE g_Keys[256];
DIMOUSESTATE g_MouseState;
DIJOYSTATE g_JoystickState;

static const DWORD BACKGROUND_SHARED = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;  // 0x0A

int InitDirectInput() {
    // A second call keeps the object it made before rather than losing it.
    if (g_pDI) return 1;
    HRESULT hr = DirectInput8Create(g_hInstance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                    (void**)&g_pDI, NULL);
    if (FAILED(hr)) {
        g_pDI = NULL;
        return 0;
    }
    return 1;
}

void ReleaseDirectInput() {
    if (g_pDI) {
        g_pDI->Release();
        g_pDI = NULL;
    }
}

static void ReleaseDevice(IDirectInputDevice8A*& pDevice) {
    if (pDevice) {
        pDevice->Unacquire();
        pDevice->Release();
        pDevice = NULL;
    }
}

// The four steps of a system device; each must answer exactly DI_OK. A
// device that fails a later step stays in the pointer for its Release.
static int InitSystemDevice(const GUID& guid, const DIDATAFORMAT* pFormat, IDirectInputDevice8A*& pDevice) {
    if (!g_pDI) return 0;
    ReleaseDevice(pDevice);  // a second Init replaces the device instead of losing it
    if (g_pDI->CreateDevice(guid, &pDevice, NULL) != DI_OK || !pDevice) return 0;
    if (pDevice->SetCooperativeLevel(g_hWnd, BACKGROUND_SHARED) != DI_OK) return 0;
    if (pDevice->SetDataFormat(pFormat) != DI_OK) return 0;
    if (pDevice->Acquire() != DI_OK) return 0;
    return 1;
}

int InitKeyboard() { return InitSystemDevice(GUID_SysKeyboard, &c_dfDIKeyboard, g_pDIKeyboard); }

int InitMouse() { return InitSystemDevice(GUID_SysMouse, &c_dfDIMouse, g_pDIMouse); }

BOOL CALLBACK EnumJoysticksCallback(const DIDEVICEINSTANCEA* pdidInstance, LPVOID pContext) {
    if (!pdidInstance) return DIENUM_STOP;
    if (pContext) *(GUID*)pContext = pdidInstance->guidInstance;
    // The platform allows longer names than the buffer holds: keep what fits.
    size_t nLength = strnlen(pdidInstance->tszProductName, sizeof(pdidInstance->tszProductName));
    if (nLength > JOYSTICK_NAME_LENGTH - 1) nLength = JOYSTICK_NAME_LENGTH - 1;
    memcpy(g_szJoystickName, pdidInstance->tszProductName, nLength);
    g_szJoystickName[nLength] = '\0';
    return DIENUM_STOP;
}

static void SetAxisRange(DWORD dwAxis, int nMin, int nMax) {
    DIPROPRANGE range;
    range.diph.dwSize = sizeof(DIPROPRANGE);
    range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    range.diph.dwObj = dwAxis;
    range.diph.dwHow = DIPH_BYOFFSET;
    range.lMin = nMin;
    range.lMax = nMax;
    g_pDIJoystick->SetProperty(DIPROP_RANGE, &range.diph);
}

static void SetAxisDeadZone(DWORD dwAxis, int nPercent) {
    DIPROPDWORD deadZone;
    deadZone.diph.dwSize = sizeof(DIPROPDWORD);
    deadZone.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    deadZone.diph.dwObj = dwAxis;
    deadZone.diph.dwHow = DIPH_BYOFFSET;
    deadZone.dwData = (DWORD)nPercent * 100;  // hundredths of a percent, worked out unsigned
    g_pDIJoystick->SetProperty(DIPROP_DEADZONE, &deadZone.diph);
}

int InitJoystick(int xMin, int xMax, int yMin, int yMax, int nDeadZone) {
    if (!g_pDI) return 0;
    // A second call replaces the earlier device instead of losing it. The
    // present flag stays as it was: once a controller has been read, a read
    // without a device zeroes the state, so no stale axes stay behind.
    ReleaseDevice(g_pDIJoystick);
    // A controller found by an earlier call may be gone: look afresh.
    memset(&g_guidJoystick, 0, sizeof(g_guidJoystick));
    g_szJoystickName[0] = '\0';
    g_pDI->EnumDevices(DI8DEVCLASS_GAMECTRL, EnumJoysticksCallback, &g_guidJoystick, DIEDFL_ATTACHEDONLY);

    if (g_pDI->CreateDevice(g_guidJoystick, &g_pDIJoystick, NULL) != DI_OK || !g_pDIJoystick) return 0;
    if (g_pDIJoystick->SetCooperativeLevel(g_hWnd, BACKGROUND_SHARED) != DI_OK) return 0;
    if (g_pDIJoystick->SetDataFormat(&c_dfDIJoystick) != DI_OK) return 0;
    SetAxisRange(DIJOFS_X, xMin, xMax);
    SetAxisRange(DIJOFS_Y, yMin, yMax);
    SetAxisDeadZone(DIJOFS_X, nDeadZone);
    SetAxisDeadZone(DIJOFS_Y, nDeadZone);
    if (g_pDIJoystick->Acquire() != DI_OK) return 0;
    g_bJoystickPresent = 1;
    return 1;
}

int ReadKeyboard() {
    if (!g_pDIKeyboard) {
        memset(g_Keys, 0, sizeof(g_Keys));
        return 0;
    }
    return g_pDIKeyboard->GetDeviceState(sizeof(g_Keys), g_Keys) == DI_OK ? 1 : 0;
}

int ReadMouse() {
    if (!g_pDIMouse) {
        memset(&g_MouseState, 0, sizeof(g_MouseState));
        return 0;
    }
    return g_pDIMouse->GetDeviceState(sizeof(g_MouseState), &g_MouseState) == DI_OK ? 1 : 0;
}

int ReadJoystick() {
    if (!g_bJoystickPresent) return 0;
    if (!g_pDIJoystick) {
        memset(&g_JoystickState, 0, sizeof(g_JoystickState));
        return 0;
    }
    // A controller that needs no polling answers DI_NOEFFECT: still readable.
    if (FAILED(g_pDIJoystick->Poll())) return 0;
    return g_pDIJoystick->GetDeviceState(sizeof(g_JoystickState), &g_JoystickState) == DI_OK ? 1 : 0;
}

void ReleaseKeyboard() { ReleaseDevice(g_pDIKeyboard); }

void ReleaseMouse() { ReleaseDevice(g_pDIMouse); }

void ReleaseJoystick() { ReleaseDevice(g_pDIJoystick); }
