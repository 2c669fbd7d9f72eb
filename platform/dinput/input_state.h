// What the keyboard and mouse are doing, as far as the process has seen:
// built from the SDL events the one event pump hands out (real ones and the
// ones host controls push), since SDL's own key state does not see pushed
// events. The DirectInput devices read from here.
#pragma once

#include "dinput_api.h"

#include <set>

union SDL_Event;

namespace platform {

// Scripted answers of one device's steps: a failure code makes the step fail,
// a success code other than DI_OK makes it succeed with that code.
struct InputDeviceFaults {
    HRESULT createDevice = DI_OK;
    HRESULT cooperativeLevel = DI_OK;
    HRESULT dataFormat = DI_OK;
    HRESULT acquire = DI_OK;
    int failingReads = 0;  // this many GetDeviceState calls fail next
    HRESULT readFailure = DIERR_INPUTLOST;
};

struct InputFaults {
    HRESULT directInputCreate = DI_OK;
    InputDeviceFaults keyboard;
    InputDeviceFaults mouse;
};

// Relative mouse motion gathered for one acquired mouse device since its last read.
struct MouseMotion {
    LONG dx = 0;
    LONG dy = 0;
    LONG dz = 0;
};

class InputState {
public:
    static InputState& instance();

    // Registers with the event pump (once).
    void ensureListening();

    BYTE key(int dik) const { return dik >= 0 && dik < 256 ? m_keys[dik] : 0; }
    const BYTE* keys() const { return m_keys; }
    BYTE button(int index) const { return index >= 0 && index < 4 ? m_buttons[index] : 0; }

    void setKey(int dik, bool down);
    void setButton(int index, bool down);
    void addMotion(LONG dx, LONG dy, LONG dz);
    void releaseEverything();

    void addMotionSink(MouseMotion* sink) { m_sinks.insert(sink); }
    void removeMotionSink(MouseMotion* sink) { m_sinks.erase(sink); }

    InputFaults& faults() { return m_faults; }
    int& liveObjects() { return m_liveObjects; }

private:
    InputState() = default;
    void onEvent(const SDL_Event& event);

    BYTE m_keys[256] = {};
    BYTE m_buttons[4] = {};
    std::set<MouseMotion*> m_sinks;
    InputFaults m_faults;
    int m_liveObjects = 0;
    bool m_listening = false;
};

// 0x80, the byte of a pressed key or held button.
constexpr BYTE kPressed = 0x80;

}  // namespace platform
