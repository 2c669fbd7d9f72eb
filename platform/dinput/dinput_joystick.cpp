#include "dinput_joystick.h"

#include "input_state.h"
#include "ref_counted.h"
#include "sdl_runtime.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

namespace platform {

namespace {

// Controllers' instance identifiers: this base with the SDL instance id in Data1.
const GUID kControllerBase = {0, 0x3e6e, 0x4b0a, {0x9b, 0x11, 0x70, 0x33, 0x8e, 0x41, 0x04, 0x00}};
constexpr DWORD kGamepadType = 0x15;
constexpr HRESULT kObjectNotFound = (HRESULT)0x80070002;
constexpr DWORD kMaxDeadZone = 10000;
constexpr DWORD kCentred = 0xFFFFFFFF;  // a hat at rest
constexpr int kAxes = 6;  // lX, lY, lZ, lRx, lRy, lRz: offsets 0..20

bool startControllers() {
    // The module reads in the background, so controller input counts
    // whether or not one of our windows has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    return ensureSdl(SDL_INIT_GAMECONTROLLER);
}

GUID instanceGuid(SDL_JoystickID id) {
    GUID guid = kControllerBase;
    guid.Data1 = uint32_t(id);
    return guid;
}

bool isControllerGuid(const GUID& guid) {
    GUID base = guid;
    base.Data1 = 0;
    return base == kControllerBase;
}

DIDEVICEINSTANCEA describe(int index) {
    DIDEVICEINSTANCEA instance{};
    instance.dwSize = sizeof(instance);
    instance.guidInstance = instanceGuid(SDL_JoystickGetDeviceInstanceID(index));
    const SDL_JoystickGUID product = SDL_JoystickGetDeviceGUID(index);
    static_assert(sizeof(product.data) == sizeof(GUID), "both are 16 bytes");
    std::memcpy(&instance.guidProduct, product.data, sizeof(GUID));
    instance.dwDevType = kGamepadType;
    const char* name = SDL_GameControllerNameForIndex(index);
    if (!name || !*name) name = "Game controller";
    // Names may be longer than the record allows: cut them, always terminated.
    std::snprintf(instance.tszProductName, sizeof instance.tszProductName, "%s", name);
    std::snprintf(instance.tszInstanceName, sizeof instance.tszInstanceName, "%s", name);
    return instance;
}

// DIJOYSTATE's axis fields in offset order, with the SDL axis feeding each.
const SDL_GameControllerAxis kAxisSources[kAxes] = {
    SDL_CONTROLLER_AXIS_LEFTX,  SDL_CONTROLLER_AXIS_LEFTY,  SDL_CONTROLLER_AXIS_TRIGGERLEFT,
    SDL_CONTROLLER_AXIS_RIGHTX, SDL_CONTROLLER_AXIS_RIGHTY, SDL_CONTROLLER_AXIS_TRIGGERRIGHT,
};

bool isTrigger(SDL_GameControllerAxis axis) {
    return axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT || axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT;
}

DWORD hatFromPad(bool up, bool right, bool down, bool left) {
    const int x = int(right) - int(left), y = int(down) - int(up);
    if (x == 0 && y == 0) return kCentred;
    // Hundredths of a degree, clockwise from up.
    static const DWORD angles[3][3] = {{31500, 0, 4500}, {27000, kCentred, 9000}, {22500, 18000, 13500}};
    return angles[y + 1][x + 1];
}

class JoystickDevice final : public RefCounted<IDirectInputDevice8A> {
public:
    // Counted with the layer's other DirectInput objects, so tests see a device left unreleased.
    explicit JoystickDevice(SDL_GameController* controller) : m_controller(controller) {
        ++InputState::instance().liveObjects();
    }
    ~JoystickDevice() override {
        SDL_GameControllerClose(m_controller);
        --InputState::instance().liveObjects();
    }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDirectInputDevice8A) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IDirectInputDevice8A*>(this);
        return S_OK;
    }

    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
        const bool exclusive = flags & DISCL_EXCLUSIVE, shared = flags & DISCL_NONEXCLUSIVE;
        const bool foreground = flags & DISCL_FOREGROUND, background = flags & DISCL_BACKGROUND;
        if (exclusive == shared || foreground == background) return DIERR_INVALIDPARAM;
        if (!IsWindow(window)) return DIERR_INVALIDHANDLE;
        if (m_acquired) return DIERR_ACQUIRED;
        return DI_OK;
    }

    HRESULT SetDataFormat(const DIDATAFORMAT* format) override {
        if (format != &c_dfDIJoystick) return DIERR_INVALIDPARAM;
        if (m_acquired) return DIERR_ACQUIRED;
        m_formatSet = true;
        return DI_OK;
    }

    HRESULT Acquire() override {
        if (!m_formatSet) return DIERR_INVALIDPARAM;
        if (!SDL_GameControllerGetAttached(m_controller)) return DIERR_INPUTLOST;
        if (m_acquired) return DI_NOEFFECT;
        m_acquired = true;
        takeSnapshot();
        return DI_OK;
    }

    HRESULT Unacquire() override {
        if (!m_acquired) return DI_NOEFFECT;
        m_acquired = false;
        return DI_OK;
    }

    // The controller needs polling: Poll takes the reading GetDeviceState returns.
    HRESULT Poll() override {
        if (!m_acquired) return DIERR_NOTACQUIRED;
        SDL_GameControllerUpdate();
        if (!SDL_GameControllerGetAttached(m_controller)) {
            m_acquired = false;
            return DIERR_INPUTLOST;
        }
        takeSnapshot();
        return DI_OK;
    }

    HRESULT GetDeviceState(DWORD size, LPVOID data) override {
        if (!data || size != sizeof(DIJOYSTATE) || !m_formatSet) return DIERR_INVALIDPARAM;
        if (!m_acquired) {
            std::memset(data, 0, size);
            return DIERR_NOTACQUIRED;
        }
        std::memcpy(data, &m_state, sizeof m_state);
        return DI_OK;
    }

    HRESULT SetProperty(DIPROPID property, const DIPROPHEADER* header) override {
        if (!header || header->dwHeaderSize != sizeof(DIPROPHEADER)) return DIERR_INVALIDPARAM;
        int first, last;
        const HRESULT target = axesNamed(*header, first, last);
        if (FAILED(target)) return target;
        if (property == DIPROP_RANGE) {
            if (header->dwSize != sizeof(DIPROPRANGE)) return DIERR_INVALIDPARAM;
            const auto* range = reinterpret_cast<const DIPROPRANGE*>(header);
            if (range->lMin >= range->lMax) return DIERR_INVALIDPARAM;
            for (int i = first; i <= last; ++i) m_axes[i].min = range->lMin, m_axes[i].max = range->lMax;
            return DI_OK;
        }
        if (property == DIPROP_DEADZONE) {
            if (header->dwSize != sizeof(DIPROPDWORD)) return DIERR_INVALIDPARAM;
            const DWORD zone = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
            if (zone > kMaxDeadZone) return DIERR_INVALIDPARAM;
            for (int i = first; i <= last; ++i) m_axes[i].deadZone = zone;
            return DI_OK;
        }
        return DIERR_UNSUPPORTED;
    }

private:
    static HRESULT axesNamed(const DIPROPHEADER& header, int& first, int& last) {
        if (header.dwHow == DIPH_DEVICE) {
            if (header.dwObj != 0) return DIERR_INVALIDPARAM;
            first = 0, last = kAxes - 1;
            return DI_OK;
        }
        if (header.dwHow != DIPH_BYOFFSET) return DIERR_UNSUPPORTED;
        if (header.dwObj % sizeof(LONG) != 0 || header.dwObj >= kAxes * sizeof(LONG)) return kObjectNotFound;
        first = last = int(header.dwObj / sizeof(LONG));
        return DI_OK;
    }

    void takeSnapshot() {
        DIJOYSTATE state{};
        LONG* axes[kAxes] = {&state.lX, &state.lY, &state.lZ, &state.lRx, &state.lRy, &state.lRz};
        for (int i = 0; i < kAxes; ++i) {
            int value = SDL_GameControllerGetAxis(m_controller, kAxisSources[i]);
            // Triggers rest at 0 and press to 32767: spread them over the whole travel.
            if (isTrigger(kAxisSources[i])) value = std::clamp(value, 0, 32767) * 2 - 32767;
            *axes[i] = scaleJoystickAxis(value, m_axes[i]);
        }
        auto held = [this](SDL_GameControllerButton b) { return SDL_GameControllerGetButton(m_controller, b) != 0; };
        state.rgdwPOV[0] = hatFromPad(held(SDL_CONTROLLER_BUTTON_DPAD_UP), held(SDL_CONTROLLER_BUTTON_DPAD_RIGHT),
                                      held(SDL_CONTROLLER_BUTTON_DPAD_DOWN), held(SDL_CONTROLLER_BUTTON_DPAD_LEFT));
        state.rgdwPOV[1] = state.rgdwPOV[2] = state.rgdwPOV[3] = kCentred;
        const int buttons = std::min<int>(SDL_CONTROLLER_BUTTON_MAX, 32);
        for (int b = 0; b < buttons; ++b)
            state.rgbButtons[b] = held(SDL_GameControllerButton(b)) ? 0x80 : 0;
        m_state = state;
    }

    SDL_GameController* m_controller;
    JoystickAxisSettings m_axes[kAxes];
    DIJOYSTATE m_state{};
    bool m_formatSet = false;
    bool m_acquired = false;
};

}  // namespace

LONG scaleJoystickAxis(int sdlValue, const JoystickAxisSettings& axis) {
    double position = sdlValue >= 0 ? sdlValue / 32767.0 : sdlValue / 32768.0;
    position = std::clamp(position, -1.0, 1.0);
    const double zone = std::min<DWORD>(axis.deadZone, kMaxDeadZone) / double(kMaxDeadZone);
    const double distance = std::fabs(position);
    position = distance <= zone ? 0.0 : std::copysign((distance - zone) / (1.0 - zone), position);
    const double span = double(axis.max) - double(axis.min);
    return LONG(std::llround(double(axis.min) + (position + 1.0) / 2.0 * span));
}

bool enumerateGameControllers(LPDIENUMDEVICESCALLBACKA callback, LPVOID context) {
    if (!callback || !startControllers()) return false;
    SDL_GameControllerUpdate();
    const int count = SDL_NumJoysticks();
    for (int index = 0; index < count; ++index) {
        if (!SDL_IsGameController(index)) continue;
        const DIDEVICEINSTANCEA instance = describe(index);
        if (callback(&instance, context) == DIENUM_STOP) return true;
    }
    return false;
}

HRESULT createGameControllerDevice(REFGUID instance, IDirectInputDevice8A** device) {
    if (!device) return DIERR_INVALIDPARAM;
    *device = nullptr;
    if (!isControllerGuid(instance) || !startControllers()) return DIERR_DEVICENOTREG;
    const int count = SDL_NumJoysticks();
    for (int index = 0; index < count; ++index) {
        if (!SDL_IsGameController(index) || SDL_JoystickGetDeviceInstanceID(index) != SDL_JoystickID(instance.Data1))
            continue;
        SDL_GameController* controller = SDL_GameControllerOpen(index);
        if (!controller) return DIERR_DEVICENOTREG;
        *device = new JoystickDevice(controller);
        return DI_OK;
    }
    return DIERR_DEVICENOTREG;
}

}  // namespace platform

namespace host {

static_assert(int(kLeftX) == SDL_CONTROLLER_AXIS_LEFTX && int(kRightY) == SDL_CONTROLLER_AXIS_RIGHTY &&
              int(kLeftTrigger) == SDL_CONTROLLER_AXIS_TRIGGERLEFT &&
              int(kRightTrigger) == SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
static_assert(int(kButtonA) == SDL_CONTROLLER_BUTTON_A && int(kButtonY) == SDL_CONTROLLER_BUTTON_Y &&
              int(kPadUp) == SDL_CONTROLLER_BUTTON_DPAD_UP && int(kPadRight) == SDL_CONTROLLER_BUTTON_DPAD_RIGHT);

namespace {
// The open handle of each virtual controller, by its instance id, for setting its inputs.
std::map<int, SDL_Joystick*>& virtualControllers() {
    static std::map<int, SDL_Joystick*> open;
    return open;
}
}  // namespace

int attachVirtualController(const char* name) {
    if (!platform::startControllers()) return -1;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = name;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) return -1;
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    if (!joystick) return -1;
    const int id = SDL_JoystickInstanceID(joystick);
    virtualControllers()[id] = joystick;
    return id;
}

void setVirtualControllerAxis(int id, int axis, int16_t value) {
    auto found = virtualControllers().find(id);
    if (found != virtualControllers().end()) SDL_JoystickSetVirtualAxis(found->second, axis, value);
}

void setVirtualControllerButton(int id, int button, bool down) {
    auto found = virtualControllers().find(id);
    if (found != virtualControllers().end())
        SDL_JoystickSetVirtualButton(found->second, button, down ? SDL_PRESSED : SDL_RELEASED);
}

void detachVirtualController(int id) {
    auto found = virtualControllers().find(id);
    if (found == virtualControllers().end()) return;
    const int index = [&] {
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) return i;
        return -1;
    }();
    SDL_JoystickClose(found->second);
    virtualControllers().erase(found);
    if (index >= 0) SDL_JoystickDetachVirtual(index);
}

}  // namespace host
