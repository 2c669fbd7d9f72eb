#include "input_state.h"

#include "event_pump.h"
#include "key_codes.h"

#include <SDL.h>

namespace platform {

namespace {

// SDL's button numbers (1 left, 2 middle, 3 right, 4 and 5 extra) as DirectInput's.
int buttonIndex(Uint8 sdlButton) {
    switch (sdlButton) {
        case SDL_BUTTON_LEFT: return 0;
        case SDL_BUTTON_RIGHT: return 1;
        case SDL_BUTTON_MIDDLE: return 2;
        case SDL_BUTTON_X1: return 3;
        default: return -1;
    }
}

constexpr LONG kWheelNotch = 120;

}  // namespace

// Never destroyed: devices released by other objects' destructors at exit
// still find it.
InputState& InputState::instance() {
    static InputState* state = new InputState();
    return *state;
}

void InputState::ensureListening() {
    if (m_listening) return;
    m_listening = true;
    addEventListener([this](const SDL_Event& event) { onEvent(event); });
}

void InputState::setKey(int dik, bool down) {
    if (dik > 0 && dik < 256) m_keys[dik] = down ? kPressed : 0;
}

void InputState::setButton(int index, bool down) {
    if (index >= 0 && index < 4) m_buttons[index] = down ? kPressed : 0;
}

void InputState::addMotion(LONG dx, LONG dy, LONG dz) {
    for (MouseMotion* sink : m_sinks) {
        sink->dx += dx;
        sink->dy += dy;
        sink->dz += dz;
    }
}

void InputState::releaseEverything() {
    for (BYTE& k : m_keys) k = 0;
    for (BYTE& b : m_buttons) b = 0;
}

void InputState::onEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            setKey(dikFromSdlScancode(event.key.keysym.scancode), event.type == SDL_KEYDOWN);
            break;
        case SDL_MOUSEMOTION:
            addMotion(event.motion.xrel, event.motion.yrel, 0);
            break;
        case SDL_MOUSEWHEEL: {
            const LONG notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y
                                                                                 : event.wheel.y;
            addMotion(0, 0, notches * kWheelNotch);
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            setButton(buttonIndex(event.button.button), event.type == SDL_MOUSEBUTTONDOWN);
            break;
        default:
            break;
    }
}

}  // namespace platform
