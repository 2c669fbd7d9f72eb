// The game controller for the DirectInput stand-in: the first attached SDL
// game controller (any controller SDL knows a layout for), read by polling
// into a DIJOYSTATE. Sticks and triggers are scaled to each axis's range
// with its dead zone; the directional pad is the first point-of-view hat.
//
// The DirectInput object offers it through two hooks: EnumDevices calls
// enumerateGameControllers for DI8DEVCLASS_GAMECTRL (and DI8DEVCLASS_ALL),
// and CreateDevice passes every identifier it does not know itself to
// createGameControllerDevice.
#pragma once

#include "dinput_api.h"

#include <cstdint>

namespace platform {

// Calls `callback` once for each attached game controller, first attached
// first, until it answers DIENUM_STOP. True when the callback stopped it.
bool enumerateGameControllers(LPDIENUMDEVICESCALLBACKA callback, LPVOID context);

// The device for an enumerated controller's guidInstance: DI_OK, or
// DIERR_DEVICENOTREG when no attached controller has that identifier.
HRESULT createGameControllerDevice(REFGUID instance, IDirectInputDevice8A** device);

// One axis's properties, as DIPROP_RANGE and DIPROP_DEADZONE set them.
struct JoystickAxisSettings {
    LONG min = 0;
    LONG max = 65535;
    DWORD deadZone = 0;  // hundredths of a percent of the half range, 0..10000
};

// An SDL axis value (-32768..32767) in the axis's range: readings within the
// dead zone around the centre give the centre, and the rest of the travel
// is stretched over the whole range, so the ends still reach min and max.
LONG scaleJoystickAxis(int sdlValue, const JoystickAxisSettings& axis);

}  // namespace platform

namespace host {

// Test controllers: an SDL virtual game controller with the given name
// (six axes, the standard buttons, a directional pad), attached at once.
// Returns its id for the calls below, or -1.
int attachVirtualController(const char* name);
// The controller's inputs, numbered as SDL numbers them.
enum ControllerAxis { kLeftX, kLeftY, kRightX, kRightY, kLeftTrigger, kRightTrigger };
enum ControllerButton { kButtonA, kButtonB, kButtonX, kButtonY, kPadUp = 11, kPadDown, kPadLeft, kPadRight };
void setVirtualControllerAxis(int id, int axis, int16_t value);
void setVirtualControllerButton(int id, int button, bool down);
void detachVirtualController(int id);

}  // namespace host
