// Keyboard and mouse through DirectInput 8, read by polling the whole state
// once per frame. One instance, g_Input, owned by the game's globals: the
// start-up creates the DirectInput object and the two devices, the shut-down
// releases them. A key is a scan code (DIK value) and is down while its byte
// is non-zero; a click is the release of mouse button 0 between two reads.
#pragma once

#include "dinput_api.h"

class CKeyboard {
public:
    CKeyboard();
    ~CKeyboard();

    int Create(HINSTANCE* phInstance, HWND* phWnd, IDirectInput8A** ppDI);
    int Update();
    int KeyDown(int nKey);
    void Release();

    HWND* m_phWnd;
    HINSTANCE* m_phInstance;
    IDirectInput8A** m_ppDI;
    IDirectInputDevice8A* m_pDIDevice;
    BYTE m_Keys[256];
};

class CMouse {
public:
    CMouse();
    ~CMouse();

    int Create(HINSTANCE* phInstance, HWND* phWnd, IDirectInput8A** ppDI);
    int Update();
    int Clicked();
    void Release();

    DIMOUSESTATE m_State;
    DIMOUSESTATE m_PrevState;
    HWND* m_phWnd;
    HINSTANCE* m_phInstance;
    IDirectInput8A** m_ppDI;
    IDirectInputDevice8A* m_pDIDevice;
};

class CInput {
public:
    CInput();
    ~CInput();

    int Create(HINSTANCE* phInstance, HWND* phWnd);
    void Release();

    CKeyboard m_Keyboard;
    CMouse m_Mouse;
    HWND* m_phWnd;
    HINSTANCE* m_phInstance;
    IDirectInput8A* m_pDI;
};
