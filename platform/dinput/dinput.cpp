// DirectInput 8 over SDL: the system keyboard and mouse, read by polling,
// and the game controllers of dinput_joystick.
// Reading a device pumps SDL events first, since some of the program's loops
// read keys without handling any window message.
#include "dinput_api.h"

#include "dinput_joystick.h"
#include "event_pump.h"
#include "input_state.h"
#include "ref_counted.h"
#include "sdl_runtime.h"

#include <SDL.h>

#include <cstring>

// The system devices' identifiers are fixed; the interface identifiers are our own.
const GUID GUID_SysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID IID_IDirectInput8A = {0x52f2c1a0, 0x3e6e, 0x4b0a, {0x9b, 0x11, 0x70, 0x33, 0x8e, 0x41, 0x03, 0x01}};
const IID IID_IDirectInputDevice8A = {0x52f2c1a0, 0x3e6e, 0x4b0a, {0x9b, 0x11, 0x70, 0x33, 0x8e, 0x41, 0x03, 0x02}};

namespace {
constexpr DWORD kRelativeAxes = 2;
constexpr DWORD kAbsoluteAxes = 1;
}  // namespace

const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), 0, 256, 0, nullptr};
const DIDATAFORMAT c_dfDIMouse = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), kRelativeAxes,
                                  sizeof(DIMOUSESTATE), 0, nullptr};
const DIDATAFORMAT c_dfDIJoystick = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), kAbsoluteAxes,
                                     sizeof(DIJOYSTATE), 0, nullptr};

namespace platform {
namespace {

enum class DeviceKind { Keyboard, Mouse };

// Counts the layer's DirectInput objects so tests can see that everything is released.
class LiveObject {
public:
    LiveObject() { ++InputState::instance().liveObjects(); }
    ~LiveObject() { --InputState::instance().liveObjects(); }
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
};

bool validCooperativeFlags(DWORD flags) {
    const bool exclusive = flags & DISCL_EXCLUSIVE, shared = flags & DISCL_NONEXCLUSIVE;
    const bool foreground = flags & DISCL_FOREGROUND, background = flags & DISCL_BACKGROUND;
    return exclusive != shared && foreground != background;
}

class InputDevice final : public RefCounted<IDirectInputDevice8A> {
public:
    explicit InputDevice(DeviceKind kind) : m_kind(kind) {}
    ~InputDevice() override { stopMotion(); }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDirectInputDevice8A) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IDirectInputDevice8A*>(this);
        return S_OK;
    }

    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
        const HRESULT scripted = faults().cooperativeLevel;
        if (FAILED(scripted)) return scripted;
        if (!validCooperativeFlags(flags)) return DIERR_INVALIDPARAM;
        if (!IsWindow(window)) return DIERR_INVALIDHANDLE;
        if (m_acquired) return DIERR_ACQUIRED;
        m_cooperativeFlags = flags;
        return scripted;
    }

    HRESULT SetDataFormat(const DIDATAFORMAT* format) override {
        const HRESULT scripted = faults().dataFormat;
        if (FAILED(scripted)) return scripted;
        if (format != expectedFormat()) return DIERR_INVALIDPARAM;
        if (m_acquired) return DIERR_ACQUIRED;
        m_format = format;
        return scripted;
    }

    HRESULT Acquire() override {
        const HRESULT scripted = faults().acquire;
        if (FAILED(scripted)) return scripted;
        if (!m_format) return DIERR_INVALIDPARAM;
        if (m_acquired) return DI_NOEFFECT;
        m_acquired = true;
        if (m_kind == DeviceKind::Mouse) {
            // Motion from before the acquisition is not this device's.
            pumpEvents();
            m_motion = MouseMotion{};
            InputState::instance().addMotionSink(&m_motion);
        }
        return scripted;
    }

    HRESULT Unacquire() override {
        if (!m_acquired) return DI_NOEFFECT;
        stopMotion();
        m_acquired = false;
        return DI_OK;
    }

    HRESULT GetDeviceState(DWORD size, LPVOID data) override {
        if (!data || !m_format || size != m_format->dwDataSize) return DIERR_INVALIDPARAM;
        if (!m_acquired) {
            std::memset(data, 0, size);
            return DIERR_NOTACQUIRED;
        }
        pumpEvents();
        InputDeviceFaults& scripted = faults();
        if (scripted.failingReads > 0) {
            // Lost input reads as nothing held and nothing moved, never as a stale key.
            --scripted.failingReads;
            m_motion = MouseMotion{};
            std::memset(data, 0, size);
            return scripted.readFailure;
        }
        if (m_kind == DeviceKind::Keyboard)
            std::memcpy(data, InputState::instance().keys(), 256);
        else
            readMouse(static_cast<DIMOUSESTATE*>(data));
        return DI_OK;
    }

    HRESULT Poll() override { return m_acquired ? DI_NOEFFECT : DIERR_NOTACQUIRED; }

    HRESULT SetProperty(DIPROPID, const DIPROPHEADER* header) override {
        return header ? DIERR_UNSUPPORTED : DIERR_INVALIDPARAM;
    }

private:
    InputDeviceFaults& faults() {
        InputFaults& all = InputState::instance().faults();
        return m_kind == DeviceKind::Keyboard ? all.keyboard : all.mouse;
    }
    const DIDATAFORMAT* expectedFormat() const {
        return m_kind == DeviceKind::Keyboard ? &c_dfDIKeyboard : &c_dfDIMouse;
    }
    void stopMotion() {
        if (m_kind == DeviceKind::Mouse) InputState::instance().removeMotionSink(&m_motion);
    }
    void readMouse(DIMOUSESTATE* state) {
        state->lX = m_motion.dx;
        state->lY = m_motion.dy;
        state->lZ = m_motion.dz;
        for (int i = 0; i < 4; ++i) state->rgbButtons[i] = InputState::instance().button(i);
        m_motion = MouseMotion{};
    }

    DeviceKind m_kind;
    LiveObject m_live;
    const DIDATAFORMAT* m_format = nullptr;
    DWORD m_cooperativeFlags = 0;
    bool m_acquired = false;
    MouseMotion m_motion;
};

DIDEVICEINSTANCEA describe(DeviceKind kind) {
    DIDEVICEINSTANCEA instance{};
    instance.dwSize = sizeof(instance);
    const bool keyboard = kind == DeviceKind::Keyboard;
    instance.guidInstance = instance.guidProduct = keyboard ? GUID_SysKeyboard : GUID_SysMouse;
    instance.dwDevType = keyboard ? DI8DEVTYPE_KEYBOARD : DI8DEVTYPE_MOUSE;
    const char* name = keyboard ? "Keyboard" : "Mouse";
    std::strncpy(instance.tszInstanceName, name, MAX_PATH - 1);
    std::strncpy(instance.tszProductName, name, MAX_PATH - 1);
    return instance;
}

class DirectInput final : public RefCounted<IDirectInput8A> {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDirectInput8A) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IDirectInput8A*>(this);
        return S_OK;
    }

    HRESULT CreateDevice(REFGUID guid, IDirectInputDevice8A** device, IUnknown* outer) override {
        if (!device) return DIERR_INVALIDPARAM;
        *device = nullptr;
        if (outer) return DIERR_NOAGGREGATION;
        DeviceKind kind;
        if (guid == GUID_SysKeyboard)
            kind = DeviceKind::Keyboard;
        else if (guid == GUID_SysMouse)
            kind = DeviceKind::Mouse;
        else
            return createGameControllerDevice(guid, device);
        InputFaults& all = InputState::instance().faults();
        const HRESULT scripted = kind == DeviceKind::Keyboard ? all.keyboard.createDevice
                                                              : all.mouse.createDevice;
        if (FAILED(scripted)) return scripted;
        *device = new InputDevice(kind);
        return scripted;
    }

    HRESULT EnumDevices(DWORD deviceClass, LPDIENUMDEVICESCALLBACKA callback, LPVOID context,
                        DWORD) override {
        if (!callback) return DIERR_INVALIDPARAM;
        if (deviceClass == DI8DEVCLASS_ALL || deviceClass == DI8DEVCLASS_KEYBOARD) {
            const DIDEVICEINSTANCEA keyboard = describe(DeviceKind::Keyboard);
            if (callback(&keyboard, context) == DIENUM_STOP) return DI_OK;
        }
        if (deviceClass == DI8DEVCLASS_ALL || deviceClass == DI8DEVCLASS_POINTER) {
            const DIDEVICEINSTANCEA mouse = describe(DeviceKind::Mouse);
            if (callback(&mouse, context) == DIENUM_STOP) return DI_OK;
        }
        if (deviceClass == DI8DEVCLASS_ALL || deviceClass == DI8DEVCLASS_GAMECTRL)
            enumerateGameControllers(callback, context);
        return DI_OK;
    }

private:
    LiveObject m_live;
};

}  // namespace
}  // namespace platform

using namespace platform;

HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, LPVOID* object,
                           IUnknown* outer) {
    if (!object) return DIERR_INVALIDPARAM;
    *object = nullptr;
    if (!instance) return DIERR_INVALIDPARAM;
    if (version != DIRECTINPUT_VERSION) return DIERR_OLDDIRECTINPUTVERSION;
    if (iid != IID_IDirectInput8A) return DIERR_NOINTERFACE;
    if (outer) return DIERR_NOAGGREGATION;
    const HRESULT scripted = InputState::instance().faults().directInputCreate;
    if (FAILED(scripted)) return scripted;
    if (!ensureSdl(SDL_INIT_EVENTS)) return DIERR_GENERIC;
    InputState::instance().ensureListening();
    *object = static_cast<IDirectInput8A*>(new DirectInput());
    return scripted;
}
