// A second DirectInput facility written as free functions over module
// globals: the keyboard, the mouse and one game controller, each read by
// polling its whole state into a global the caller reads directly. It
// shares nothing with CInput and makes its own DirectInput object and
// devices; the window and instance come from g_hWnd and g_hInstance.
// InitDirectInput comes first: the other Init functions fail without it.
// Main thread only.
#pragma once

#include "dinput_api.h"

#define JOYSTICK_NAME_LENGTH 80

extern IDirectInput8A* g_pDI;
extern IDirectInputDevice8A* g_pDIKeyboard;
extern IDirectInputDevice8A* g_pDIMouse;
extern IDirectInputDevice8A* g_pDIJoystick;
extern int g_bJoystickPresent;                        // 1 once InitJoystick has succeeded
extern GUID g_guidJoystick;                           // the controller the enumeration found
extern char g_szJoystickName[JOYSTICK_NAME_LENGTH];   // its product name, cut to fit
extern BYTE g_Keys[256];                              // by DIK code, non-zero = down
extern DIMOUSESTATE g_MouseState;                     // motion since the last read, buttons
extern DIJOYSTATE g_JoystickState;

// 1 when the DirectInput object exists (made now or before), else 0.
int InitDirectInput();
void ReleaseDirectInput();

// 1 when the device is created, set up and acquired; each step must answer DI_OK.
int InitKeyboard();
int InitMouse();
// The first attached game controller, with the X and Y ranges and a dead
// zone in percent of the half range (0..100) for both.
int InitJoystick(int xMin, int xMax, int yMin, int yMax, int nDeadZone);
// Takes the first controller offered: its id into the GUID pContext points
// to, its name into g_szJoystickName. Always DIENUM_STOP.
BOOL CALLBACK EnumJoysticksCallback(const DIDEVICEINSTANCEA* pdidInstance, LPVOID pContext);

// 1 when the state was read into its global. Without a device the global
// is zeroed and the result is 0; no read acquires a device again.
int ReadKeyboard();
int ReadMouse();
// 0 without touching g_JoystickState when no controller was set up.
int ReadJoystick();

// Unacquire and release the device, and clear its pointer.
void ReleaseKeyboard();
void ReleaseMouse();
void ReleaseJoystick();
