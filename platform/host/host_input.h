// Scripted keyboard and mouse for tests, and DirectInput failures on demand.
// Never used by the game. Keys, buttons and motion travel as SDL events, so
// a device sees them at its next read, exactly like real input.
#pragma once

#include "input_state.h"

namespace host {

// A key by its scan code (DIK value). Codes SDL has no key for change the
// state at once instead.
void pressKey(int dik);
void releaseKey(int dik);
// A key by where it sits: its USB HID usage id, which is what SDL scancodes
// are (41 Escape, 40 Return, 79 Right arrow, ...). Goes through the scan code table.
void pressPhysicalKey(int usbUsage);
void releasePhysicalKey(int usbUsage);

// Relative motion, as a mouse reports it.
void moveMouse(int dx, int dy);
void turnMouseWheel(int notches);
// Button 0 is the left button, 1 the right, 2 the middle, 3 the first extra one.
void pressMouseButton(int button);
void releaseMouseButton(int button);

// Every key and button up, at once.
void releaseAllInput();

// Scripted results of DirectInput8Create and the devices' steps (see InputFaults).
platform::InputFaults& inputFaults();
void clearInputFaults();
// The next `count` reads of the keyboard (or the mouse) fail with DIERR_INPUTLOST.
void failKeyboardReads(int count);
void failMouseReads(int count);

// DirectInput objects and devices not yet released.
int liveDirectInputObjects();

}  // namespace host
