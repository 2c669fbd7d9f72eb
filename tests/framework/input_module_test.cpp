// The free-function input module: keyboard and mouse reads with scripted
// input, every function without its DirectInput object or device, the
// joystick with no controller, with a virtual one, and the exact property
// records it sends.
#include "InputModule.h"

#include "GraphicsApp.h"
#include "dinput_joystick.h"
#include "host_input.h"

#include "test_window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

template <class T>
void fillWith(T& value, int byte) {
    std::memset(&value, byte, sizeof value);
}

template <class T>
bool allBytes(const T& value, int byte) {
    const auto* p = reinterpret_cast<const unsigned char*>(&value);
    for (size_t i = 0; i < sizeof value; ++i)
        if (p[i] != byte) return false;
    return true;
}

class InputModule : public ::testing::Test {
protected:
    void SetUp() override {
        g_hInstance = GetModuleHandleA(nullptr);
        g_hWnd = testenv::makeTestWindow();
        ASSERT_NE(g_hWnd, nullptr);
    }
    void TearDown() override {
        ReleaseJoystick();
        ReleaseKeyboard();
        ReleaseMouse();
        ReleaseDirectInput();
        EXPECT_EQ(g_pDIKeyboard, nullptr);
        EXPECT_EQ(g_pDIMouse, nullptr);
        EXPECT_EQ(g_pDIJoystick, nullptr);
        EXPECT_EQ(g_pDI, nullptr);
        EXPECT_EQ(host::liveDirectInputObjects(), 0) << "everything created was released";
        host::clearInputFaults();
        host::releaseAllInput();
        DestroyWindow(g_hWnd);
    }
};

TEST_F(InputModule, KeyboardAndMouseReadScriptedInput) {
    ASSERT_EQ(InitDirectInput(), 1);
    EXPECT_EQ(InitDirectInput(), 1) << "a second call keeps the object";
    ASSERT_EQ(InitKeyboard(), 1);
    ASSERT_EQ(InitMouse(), 1);

    host::pressKey(DIK_SPACE);
    host::pressKey(DIK_LEFT);
    ASSERT_EQ(ReadKeyboard(), 1);
    EXPECT_EQ(g_Keys[DIK_SPACE], 0x80);
    EXPECT_EQ(g_Keys[DIK_LEFT], 0x80);
    EXPECT_EQ(g_Keys[DIK_RIGHT], 0);
    host::releaseKey(DIK_SPACE);
    ASSERT_EQ(ReadKeyboard(), 1);
    EXPECT_EQ(g_Keys[DIK_SPACE], 0);
    EXPECT_EQ(g_Keys[DIK_LEFT], 0x80);

    host::moveMouse(5, -3);
    host::moveMouse(2, 1);
    host::turnMouseWheel(1);
    host::pressMouseButton(0);
    ASSERT_EQ(ReadMouse(), 1);
    EXPECT_EQ(g_MouseState.lX, 7);
    EXPECT_EQ(g_MouseState.lY, -2);
    EXPECT_EQ(g_MouseState.lZ, 120);
    EXPECT_EQ(g_MouseState.rgbButtons[0], 0x80);
    EXPECT_EQ(g_MouseState.rgbButtons[1], 0);
    ASSERT_EQ(ReadMouse(), 1);
    EXPECT_EQ(g_MouseState.lX, 0) << "motion is relative to the previous read";
    EXPECT_EQ(g_MouseState.rgbButtons[0], 0x80);

    // A failed read says so, and the next one works without acquiring again.
    host::failKeyboardReads(1);
    EXPECT_EQ(ReadKeyboard(), 0);
    EXPECT_EQ(ReadKeyboard(), 1);
    EXPECT_EQ(g_Keys[DIK_LEFT], 0x80);
}

TEST_F(InputModule, EachSetupStepMustAnswerExactlyOk) {
    ASSERT_EQ(InitDirectInput(), 1);
    struct Case {
        const char* step;
        HRESULT platform::InputDeviceFaults::*field;
        HRESULT answer;
    };
    const Case cases[] = {
        {"create", &platform::InputDeviceFaults::createDevice, DIERR_OUTOFMEMORY},
        {"cooperative level", &platform::InputDeviceFaults::cooperativeLevel, DI_NOEFFECT},
        {"data format", &platform::InputDeviceFaults::dataFormat, DIERR_GENERIC},
        {"acquire", &platform::InputDeviceFaults::acquire, DI_NOEFFECT},
    };
    for (const Case& c : cases) {
        host::clearInputFaults();
        host::inputFaults().keyboard.*c.field = c.answer;
        host::inputFaults().mouse.*c.field = c.answer;
        EXPECT_EQ(InitKeyboard(), 0) << c.step;
        EXPECT_EQ(InitMouse(), 0) << c.step;
    }
    host::clearInputFaults();
    EXPECT_EQ(InitKeyboard(), 1) << "a later call replaces what the failed one left";
    EXPECT_EQ(InitMouse(), 1);
}

TEST_F(InputModule, WithoutDirectInputOrDevicesEverythingFailsCleanly) {
    host::inputFaults().directInputCreate = DIERR_OUTOFMEMORY;
    EXPECT_EQ(InitDirectInput(), 0);
    EXPECT_EQ(g_pDI, nullptr);
    EXPECT_EQ(InitKeyboard(), 0);
    EXPECT_EQ(InitMouse(), 0);
    EXPECT_EQ(InitJoystick(-100, 100, -100, 100, 10), 0);
    EXPECT_EQ(g_bJoystickPresent, 0);

    fillWith(g_Keys, 0x5A);
    fillWith(g_MouseState, 0x5A);
    fillWith(g_JoystickState, 0x5A);
    EXPECT_EQ(ReadKeyboard(), 0);
    EXPECT_EQ(ReadMouse(), 0);
    EXPECT_EQ(ReadJoystick(), 0);
    EXPECT_TRUE(allBytes(g_Keys, 0)) << "no keyboard: nothing held";
    EXPECT_TRUE(allBytes(g_MouseState, 0)) << "no mouse: no motion";
    EXPECT_TRUE(allBytes(g_JoystickState, 0x5A)) << "no controller set up: left alone";
}

TEST_F(InputModule, JoystickWithNoControllerAttachedFailsAtCreation) {
    ASSERT_EQ(InitDirectInput(), 1);
    EXPECT_EQ(InitJoystick(-1000, 1000, -1000, 1000, 10), 0);
    EXPECT_EQ(g_bJoystickPresent, 0);
    EXPECT_EQ(g_pDIJoystick, nullptr);
    EXPECT_TRUE(allBytes(g_guidJoystick, 0));
    fillWith(g_JoystickState, 0x5A);
    EXPECT_EQ(ReadJoystick(), 0);
    EXPECT_TRUE(allBytes(g_JoystickState, 0x5A));
}

// ---------------------------------------------------------------- a recording DirectInput

struct Recorded {
    std::vector<DIPROPRANGE> ranges;
    std::vector<DIPROPDWORD> deadZones;
    HRESULT poll = DI_OK;
    int reads = 0;
    int released = 0;
};

class RecordingDevice final : public IDirectInputDevice8A {
public:
    explicit RecordingDevice(Recorded& record) : m_record(record) {}
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return ++m_record.released, 0; }
    HRESULT SetCooperativeLevel(HWND, DWORD flags) override { return flags == 0x0A ? DI_OK : DIERR_INVALIDPARAM; }
    HRESULT SetDataFormat(const DIDATAFORMAT* format) override {
        return format == &c_dfDIJoystick ? DI_OK : DIERR_INVALIDPARAM;
    }
    HRESULT Acquire() override { return DI_OK; }
    HRESULT Unacquire() override { return DI_OK; }
    HRESULT GetDeviceState(DWORD size, LPVOID data) override {
        if (size != sizeof(DIJOYSTATE)) return DIERR_INVALIDPARAM;
        ++m_record.reads;
        std::memset(data, 0, size);
        static_cast<DIJOYSTATE*>(data)->lX = 42;
        return DI_OK;
    }
    HRESULT Poll() override { return m_record.poll; }
    HRESULT SetProperty(DIPROPID property, const DIPROPHEADER* header) override {
        if (property == DIPROP_RANGE) m_record.ranges.push_back(*reinterpret_cast<const DIPROPRANGE*>(header));
        if (property == DIPROP_DEADZONE)
            m_record.deadZones.push_back(*reinterpret_cast<const DIPROPDWORD*>(header));
        return DI_OK;
    }

private:
    Recorded& m_record;
};

// Offers controllers with the given names; creates a recording device for the first.
class RecordingDirectInput final : public IDirectInput8A {
public:
    RecordingDirectInput(std::vector<std::string> names, Recorded& record) : m_names(names), m_device(record) {}
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateDevice(REFGUID guid, IDirectInputDevice8A** device, IUnknown*) override {
        *device = nullptr;
        if (guid != instance(0)) return DIERR_DEVICENOTREG;
        *device = &m_device;
        return DI_OK;
    }
    HRESULT EnumDevices(DWORD deviceClass, LPDIENUMDEVICESCALLBACKA callback, LPVOID context, DWORD flags) override {
        if (deviceClass != DI8DEVCLASS_GAMECTRL || flags != DIEDFL_ATTACHEDONLY) return DIERR_INVALIDPARAM;
        for (size_t i = 0; i < m_names.size(); ++i) {
            DIDEVICEINSTANCEA device{};
            device.dwSize = sizeof(device);
            device.guidInstance = instance(int(i));
            std::strncpy(device.tszProductName, m_names[i].c_str(), MAX_PATH - 1);
            if (callback(&device, context) == DIENUM_STOP) break;
        }
        return DI_OK;
    }
    static GUID instance(int index) { return GUID{0x1000u + index, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}; }

private:
    std::vector<std::string> m_names;
    RecordingDevice m_device;
};

TEST(InputModuleJoystick, SendsTheRangesAndDeadZoneItWasGiven) {
    for (int percent : {0, 10, 100}) {
        Recorded record;
        RecordingDirectInput input({"First Pad", "Second Pad"}, record);
        g_pDI = &input;
        ASSERT_EQ(InitJoystick(-1000, 1000, -500, 700, percent), 1) << percent;
        EXPECT_EQ(g_bJoystickPresent, 1);
        EXPECT_EQ(g_guidJoystick, RecordingDirectInput::instance(0)) << "the first controller offered";
        EXPECT_STREQ(g_szJoystickName, "First Pad");

        ASSERT_EQ(record.ranges.size(), 2u);
        const LONG expected[2][3] = {{DIJOFS_X, -1000, 1000}, {DIJOFS_Y, -500, 700}};
        for (int i = 0; i < 2; ++i) {
            const DIPROPRANGE& r = record.ranges[i];
            EXPECT_EQ(r.diph.dwSize, 24u);
            EXPECT_EQ(r.diph.dwHeaderSize, 16u);
            EXPECT_EQ(r.diph.dwObj, DWORD(expected[i][0]));
            EXPECT_EQ(r.diph.dwHow, DWORD(DIPH_BYOFFSET));
            EXPECT_EQ(r.lMin, expected[i][1]);
            EXPECT_EQ(r.lMax, expected[i][2]);
        }
        ASSERT_EQ(record.deadZones.size(), 2u);
        for (int i = 0; i < 2; ++i) {
            const DIPROPDWORD& d = record.deadZones[i];
            EXPECT_EQ(d.diph.dwSize, 20u);
            EXPECT_EQ(d.diph.dwHeaderSize, 16u);
            EXPECT_EQ(d.diph.dwObj, DWORD(expected[i][0]));
            EXPECT_EQ(d.dwData, DWORD(percent * 100)) << percent;
        }
        ReleaseJoystick();
        EXPECT_EQ(g_pDIJoystick, nullptr);
        EXPECT_EQ(record.released, 1);
        g_pDI = nullptr;
    }
}

TEST(InputModuleJoystick, ReadsPollThenStateAndRefuseFailedPolls) {
    struct Case {
        HRESULT poll;
        int result;
        int reads;
    };
    // A controller that needs no polling answers DI_NOEFFECT and is still read.
    const Case cases[] = {{DI_OK, 1, 1}, {DI_NOEFFECT, 1, 1}, {DIERR_INPUTLOST, 0, 0}, {DIERR_NOTACQUIRED, 0, 0}};
    for (const Case& c : cases) {
        Recorded record;
        RecordingDirectInput input({"Pad"}, record);
        g_pDI = &input;
        ASSERT_EQ(InitJoystick(0, 100, 0, 100, 0), 1);
        record.poll = c.poll;
        fillWith(g_JoystickState, 0x5A);
        EXPECT_EQ(ReadJoystick(), c.result) << std::hex << c.poll;
        EXPECT_EQ(record.reads, c.reads);
        if (c.result) EXPECT_EQ(g_JoystickState.lX, 42);
        else EXPECT_TRUE(allBytes(g_JoystickState, 0x5A)) << "a failed poll reads nothing";
        ReleaseJoystick();
        // Set up once, now without a device: nothing to read, nothing held.
        EXPECT_EQ(ReadJoystick(), 0);
        EXPECT_TRUE(allBytes(g_JoystickState, 0));
        g_pDI = nullptr;
        g_bJoystickPresent = 0;
    }
}

TEST(InputModuleJoystick, AFailedSecondInitLeavesNoStaleState) {
    Recorded first;
    RecordingDirectInput withPad({"Pad"}, first);
    g_pDI = &withPad;
    ASSERT_EQ(InitJoystick(0, 100, 0, 100, 0), 1);
    ASSERT_EQ(ReadJoystick(), 1);
    EXPECT_EQ(g_JoystickState.lX, 42);

    // The controller is gone when the module looks again.
    Recorded second;
    RecordingDirectInput withoutPad({}, second);
    g_pDI = &withoutPad;
    EXPECT_EQ(InitJoystick(0, 100, 0, 100, 0), 0);
    EXPECT_EQ(first.released, 1) << "the earlier device is let go, not lost";
    EXPECT_EQ(g_pDIJoystick, nullptr);
    EXPECT_EQ(g_bJoystickPresent, 1) << "a controller was set up once";
    EXPECT_EQ(ReadJoystick(), 0);
    EXPECT_TRUE(allBytes(g_JoystickState, 0)) << "the last axes read do not linger";
    g_pDI = nullptr;
    g_bJoystickPresent = 0;
}

TEST(InputModuleJoystick, LongProductNamesAreCutToTheBuffer) {
    const std::string longName(259, 'x');
    Recorded record;
    RecordingDirectInput input({longName}, record);
    g_pDI = &input;
    std::memset(g_szJoystickName, 0x5A, sizeof g_szJoystickName);
    ASSERT_EQ(InitJoystick(0, 100, 0, 100, 0), 1);
    EXPECT_EQ(std::string(g_szJoystickName), longName.substr(0, JOYSTICK_NAME_LENGTH - 1));
    ReleaseJoystick();
    g_pDI = nullptr;

    // The callback on its own, with the reference it is given.
    DIDEVICEINSTANCEA device{};
    device.guidInstance = RecordingDirectInput::instance(7);
    std::memset(device.tszProductName, 'y', sizeof device.tszProductName);  // not even terminated
    GUID found{};
    EXPECT_EQ(EnumJoysticksCallback(&device, &found), DIENUM_STOP);
    EXPECT_EQ(found, RecordingDirectInput::instance(7));
    EXPECT_EQ(std::strlen(g_szJoystickName), size_t(JOYSTICK_NAME_LENGTH - 1));
}

// ---------------------------------------------------------------- a virtual controller

// The stand-in's DirectInput object with the controller hooks in front of it,
// as the object offers them once it forwards game controllers.
class HookedDirectInput final : public IDirectInput8A {
public:
    explicit HookedDirectInput(IDirectInput8A* inner) : m_inner(inner) {}
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return m_inner->Release(); }
    HRESULT CreateDevice(REFGUID guid, IDirectInputDevice8A** device, IUnknown* outer) override {
        const HRESULT result = m_inner->CreateDevice(guid, device, outer);
        return result == DIERR_DEVICENOTREG ? platform::createGameControllerDevice(guid, device) : result;
    }
    HRESULT EnumDevices(DWORD deviceClass, LPDIENUMDEVICESCALLBACKA callback, LPVOID context, DWORD flags) override {
        if (deviceClass == DI8DEVCLASS_GAMECTRL) {
            platform::enumerateGameControllers(callback, context);
            return DI_OK;
        }
        return m_inner->EnumDevices(deviceClass, callback, context, flags);
    }

private:
    IDirectInput8A* m_inner;
};

class InputModuleController : public InputModule {
protected:
    // Game controllers through the stand-in's own object when it offers
    // them, otherwise through the hooks placed in front of it.
    void useDirectInputWithControllers() {
        ASSERT_EQ(InitDirectInput(), 1);
        int offered = 0;
        g_pDI->EnumDevices(
            DI8DEVCLASS_GAMECTRL, [](const DIDEVICEINSTANCEA*, LPVOID n) { return ++*(int*)n, DIENUM_CONTINUE; },
            &offered, DIEDFL_ATTACHEDONLY);
        if (offered == 0) {
            m_hooked = new HookedDirectInput(g_pDI);
            g_pDI = m_hooked;
        }
    }
    void TearDown() override {
        InputModule::TearDown();  // releases g_pDI, which releases the stand-in's object
        delete m_hooked;
        for (int id : m_controllers) host::detachVirtualController(id);
    }
    int attach(const char* name) {
        const int id = host::attachVirtualController(name);
        EXPECT_GE(id, 0);
        m_controllers.push_back(id);
        return id;
    }

    HookedDirectInput* m_hooked = nullptr;
    std::vector<int> m_controllers;
};

TEST_F(InputModuleController, ReadsTheFirstControllerWithRangesAndDeadZone) {
    const std::string longName = "Pad " + std::string(96, 'z');
    const int pad = attach(longName.c_str());
    attach("Second Pad");
    useDirectInputWithControllers();
    ASSERT_EQ(InitJoystick(-1000, 1000, 0, 200, 10), 1);
    EXPECT_EQ(g_bJoystickPresent, 1);
    EXPECT_EQ(std::string(g_szJoystickName), longName.substr(0, JOYSTICK_NAME_LENGTH - 1));

    host::setVirtualControllerAxis(pad, host::kLeftX, 2000);  // within the 10 % dead zone
    host::setVirtualControllerAxis(pad, host::kLeftY, 32767);
    host::setVirtualControllerButton(pad, host::kButtonB, true);
    ASSERT_EQ(ReadJoystick(), 1);
    EXPECT_EQ(g_JoystickState.lX, 0);
    EXPECT_EQ(g_JoystickState.lY, 200);
    EXPECT_EQ(g_JoystickState.rgbButtons[host::kButtonB], 0x80);
    host::setVirtualControllerAxis(pad, host::kLeftX, -32768);
    ASSERT_EQ(ReadJoystick(), 1);
    EXPECT_EQ(g_JoystickState.lX, -1000);
}

}  // namespace
