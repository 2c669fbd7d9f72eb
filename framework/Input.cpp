#include "Input.h"

#include <cstring>

namespace {

// The four steps that make a device readable. Each must answer exactly DI_OK;
// what was done before a refusal stays for Release to free.
int CreateDevice(IDirectInput8A** ppDI, HWND* phWnd, const GUID& guid, const DIDATAFORMAT& format,
                 IDirectInputDevice8A** ppDevice) {
    // Without a DirectInput object there is nothing to create the device from.
    if (!ppDI || !*ppDI) return 0;
    if ((*ppDI)->CreateDevice(guid, ppDevice, nullptr) != DI_OK) return 0;
    if (!*ppDevice) return 0;  // a success that handed back no device
    HWND hWnd = phWnd ? *phWnd : nullptr;
    if ((*ppDevice)->SetCooperativeLevel(hWnd, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND) != DI_OK)
        return 0;
    if ((*ppDevice)->SetDataFormat(&format) != DI_OK) return 0;
    if ((*ppDevice)->Acquire() != DI_OK) return 0;
    return 1;
}

void ReleaseDevice(IDirectInputDevice8A** ppDevice) {
    if (!*ppDevice) return;
    (*ppDevice)->Unacquire();
    (*ppDevice)->Release();
    // Cleared so that a later read takes the no-device path instead of a freed object.
    *ppDevice = nullptr;
}

}  // namespace

// ---------------------------------------------------------------- keyboard

// Every field starts cleared, so an instance outside static storage reads
// no key down before its first Update either.
CKeyboard::CKeyboard()
    : m_phWnd(nullptr), m_phInstance(nullptr), m_ppDI(nullptr), m_pDIDevice(nullptr), m_Keys() {}

CKeyboard::~CKeyboard() {
    m_phWnd = nullptr;
    m_phInstance = nullptr;
    m_ppDI = nullptr;
}

int CKeyboard::Create(HINSTANCE* phInstance, HWND* phWnd, IDirectInput8A** ppDI) {
    m_phInstance = phInstance;
    m_phWnd = phWnd;
    m_ppDI = ppDI;
    return CreateDevice(m_ppDI, m_phWnd, GUID_SysKeyboard, c_dfDIKeyboard, &m_pDIDevice);
}

int CKeyboard::Update() {
    if (!m_pDIDevice) {
        std::memset(m_Keys, 0, sizeof(m_Keys));
        return 0;
    }
    const HRESULT hr = m_pDIDevice->GetDeviceState(sizeof(m_Keys), m_Keys);
    if (hr == DI_OK) return 1;
    // A refused read (the device lost, say): no key counts as held, so a key
    // that was down at that moment does not stay pressed while the device is
    // gone. Another success code still wrote the keys and reports 0 only.
    if (FAILED(hr)) std::memset(m_Keys, 0, sizeof(m_Keys));
    return 0;
}

// A code outside the table reads as up instead of reading past the array.
int CKeyboard::KeyDown(int nKey) {
    if (nKey < 0 || nKey > 255) return 0;
    return m_Keys[nKey];
}

void CKeyboard::Release() { ReleaseDevice(&m_pDIDevice); }

// ---------------------------------------------------------------- mouse

// As the keyboard: both states start at zero, so no click and no motion
// before the first read wherever the instance lives.
CMouse::CMouse()
    : m_State(), m_PrevState(), m_phWnd(nullptr), m_phInstance(nullptr), m_ppDI(nullptr),
      m_pDIDevice(nullptr) {}

CMouse::~CMouse() {
    m_phWnd = nullptr;
    m_phInstance = nullptr;
    m_ppDI = nullptr;
}

int CMouse::Create(HINSTANCE* phInstance, HWND* phWnd, IDirectInput8A** ppDI) {
    m_phInstance = phInstance;
    m_phWnd = phWnd;
    m_ppDI = ppDI;
    return CreateDevice(m_ppDI, m_phWnd, GUID_SysMouse, c_dfDIMouse, &m_pDIDevice);
}

int CMouse::Update() {
    std::memcpy(&m_PrevState, &m_State, sizeof(m_State));
    if (!m_pDIDevice) {
        std::memset(&m_State, 0, sizeof(m_State));
        return 0;
    }
    const HRESULT hr = m_pDIDevice->GetDeviceState(sizeof(m_State), &m_State);
    if (hr == DI_OK) return 1;
    // A refused read: no motion, no button held, and no click made up from
    // the button that was held before the device went away. Another success
    // code still wrote the state and reports 0 only.
    if (FAILED(hr)) {
        std::memset(&m_State, 0, sizeof(m_State));
        std::memset(&m_PrevState, 0, sizeof(m_PrevState));
    }
    return 0;
}

int CMouse::Clicked() { return m_PrevState.rgbButtons[0] != 0 && m_State.rgbButtons[0] == 0 ? 1 : 0; }

void CMouse::Release() { ReleaseDevice(&m_pDIDevice); }

// ---------------------------------------------------------------- DirectInput object

// The window pointer is cleared too, so an instance outside static storage
// holds no stray address before Create.
CInput::CInput() : m_phWnd(nullptr), m_phInstance(nullptr), m_pDI(nullptr) {}

CInput::~CInput() {}

int CInput::Create(HINSTANCE* phInstance, HWND* phWnd) {
    m_phInstance = phInstance;
    m_phWnd = phWnd;
    HINSTANCE hInstance = phInstance ? *phInstance : nullptr;
    HRESULT hr = DirectInput8Create(hInstance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                    reinterpret_cast<void**>(&m_pDI), nullptr);
    return hr >= 0 ? 1 : 0;
}

void CInput::Release() {
    if (!m_pDI) return;
    m_pDI->Release();
    // Cleared so that a device created afterwards fails cleanly instead of
    // reaching a freed object, and a second Release does nothing.
    m_pDI = nullptr;
}
