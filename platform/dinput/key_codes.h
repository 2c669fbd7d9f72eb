// Keyboard scan codes (the DIK values the program indexes its key bytes
// with) from SDL's physical key codes and back. SDL scancodes name where a
// key sits, not what it prints, so every keyboard layout reads the same.
#pragma once

namespace platform {

// The scan code of an SDL scancode, or 0 for a key that has none.
int dikFromSdlScancode(int scancode);
// The SDL scancode of a scan code, or 0 (SDL_SCANCODE_UNKNOWN) for none.
int sdlScancodeFromDik(int dik);

}  // namespace platform
