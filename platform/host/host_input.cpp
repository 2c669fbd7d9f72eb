#include "host_input.h"

#include "key_codes.h"
#include "sdl_runtime.h"

#include <SDL.h>

namespace host {

using platform::InputState;

namespace {

// Host input goes through SDL's queue; the state follows it at the next pump.
bool startEvents() {
    if (!platform::ensureSdl(SDL_INIT_EVENTS)) return false;
    InputState::instance().ensureListening();
    return true;
}

void pushScancode(int scancode, bool down) {
    if (scancode <= SDL_SCANCODE_UNKNOWN || scancode >= SDL_NUM_SCANCODES || !startEvents()) return;
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    event.key.keysym.sym = SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(scancode));
    SDL_PushEvent(&event);
}

void pushKey(int dik, bool down) {
    const int scancode = platform::sdlScancodeFromDik(dik);
    if (scancode != SDL_SCANCODE_UNKNOWN) {
        pushScancode(scancode, down);
    } else if (startEvents()) {
        InputState::instance().setKey(dik, down);
    }
}

Uint8 sdlButton(int button) {
    switch (button) {
        case 0: return SDL_BUTTON_LEFT;
        case 1: return SDL_BUTTON_RIGHT;
        case 2: return SDL_BUTTON_MIDDLE;
        case 3: return SDL_BUTTON_X1;
        default: return 0;
    }
}

void pushButton(int button, bool down) {
    const Uint8 sdl = sdlButton(button);
    if (!sdl || !startEvents()) return;
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = sdl;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    SDL_PushEvent(&event);
}

}  // namespace

void pressKey(int dik) { pushKey(dik, true); }
void releaseKey(int dik) { pushKey(dik, false); }
void pressPhysicalKey(int usbUsage) { pushScancode(usbUsage, true); }
void releasePhysicalKey(int usbUsage) { pushScancode(usbUsage, false); }

void moveMouse(int dx, int dy) {
    if (!startEvents()) return;
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.xrel = dx;
    event.motion.yrel = dy;
    SDL_PushEvent(&event);
}

void turnMouseWheel(int notches) {
    if (!startEvents()) return;
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = notches;
    event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&event);
}

void pressMouseButton(int button) { pushButton(button, true); }
void releaseMouseButton(int button) { pushButton(button, false); }

void releaseAllInput() {
    // Events still queued would press keys again after this.
    if (SDL_WasInit(SDL_INIT_EVENTS)) {
        SDL_FlushEvents(SDL_KEYDOWN, SDL_KEYUP);
        SDL_FlushEvents(SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP);
    }
    InputState::instance().releaseEverything();
}

platform::InputFaults& inputFaults() { return InputState::instance().faults(); }
void clearInputFaults() { InputState::instance().faults() = platform::InputFaults{}; }
void failKeyboardReads(int count) { inputFaults().keyboard.failingReads = count; }
void failMouseReads(int count) { inputFaults().mouse.failingReads = count; }

int liveDirectInputObjects() { return InputState::instance().liveObjects(); }

}  // namespace host
