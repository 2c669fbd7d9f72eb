// The DirectInput game controller over SDL: axis scaling with range and
// dead zone, enumeration and creation with no controller and with a virtual
// one, and what a polled read reports.
#include "dinput_joystick.h"

#include "host_input.h"

#include "test_window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using platform::JoystickAxisSettings;
using platform::scaleJoystickAxis;

namespace {

TEST(JoystickAxis, ScalesToTheRangeAndAppliesTheDeadZone) {
    struct Case {
        LONG min, max;
        DWORD deadZone;
        int sdl;
        LONG expected;
    };
    const Case cases[] = {
        // Default range: the full travel.
        {0, 65535, 0, -32768, 0},
        {0, 65535, 0, 32767, 65535},
        {0, 65535, 0, 0, 32768},
        // A symmetric range, no dead zone: proportional.
        {-1000, 1000, 0, 16384, 500},
        {-1000, 1000, 0, -16384, -500},
        {-1000, 1000, 0, 300, 9},
        // 10 % dead zone: small readings are the centre, the rest is stretched.
        {-1000, 1000, 1000, 300, 0},
        {-1000, 1000, 1000, 3276, 0},
        {-1000, 1000, 1000, -3276, 0},
        {-1000, 1000, 1000, 18022, 500},
        {-1000, 1000, 1000, 32767, 1000},
        {-1000, 1000, 1000, -32768, -1000},
        // The whole travel as dead zone: always the centre.
        {-1000, 1000, 10000, 32767, 0},
        {0, 100, 10000, -32768, 50},
        // An offset range.
        {100, 200, 0, 32767, 200},
        {100, 200, 0, -32768, 100},
        {100, 200, 5000, 16383, 150},
    };
    for (const Case& c : cases) {
        JoystickAxisSettings axis;
        axis.min = c.min;
        axis.max = c.max;
        axis.deadZone = c.deadZone;
        EXPECT_EQ(scaleJoystickAxis(c.sdl, axis), c.expected)
            << c.min << ".." << c.max << " zone " << c.deadZone << " value " << c.sdl;
    }
}

BOOL countDevice(const DIDEVICEINSTANCEA*, LPVOID context) {
    ++*static_cast<int*>(context);
    return DIENUM_CONTINUE;
}

TEST(Joystick, WithNoControllerNothingIsEnumeratedOrCreated) {
    int seen = 0;
    EXPECT_FALSE(platform::enumerateGameControllers(countDevice, &seen));
    EXPECT_EQ(seen, 0);
    IDirectInputDevice8A* device = reinterpret_cast<IDirectInputDevice8A*>(&seen);
    const GUID none{};
    EXPECT_EQ(platform::createGameControllerDevice(none, &device), DIERR_DEVICENOTREG);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(platform::createGameControllerDevice(GUID_SysKeyboard, &device), DIERR_DEVICENOTREG);
    EXPECT_EQ(platform::createGameControllerDevice(none, nullptr), DIERR_INVALIDPARAM);
}

struct Found {
    std::vector<DIDEVICEINSTANCEA> devices;
};

BOOL collect(const DIDEVICEINSTANCEA* instance, LPVOID context) {
    static_cast<Found*>(context)->devices.push_back(*instance);
    return DIENUM_CONTINUE;
}

BOOL stopAtFirst(const DIDEVICEINSTANCEA* instance, LPVOID context) {
    static_cast<Found*>(context)->devices.push_back(*instance);
    return DIENUM_STOP;
}

class VirtualController : public ::testing::Test {
protected:
    void SetUp() override {
        m_hInstance = GetModuleHandleA(nullptr);
        m_hWnd = testenv::makeTestWindow();
        ASSERT_NE(m_hWnd, nullptr);
        m_id = host::attachVirtualController("Test Pad");
        ASSERT_GE(m_id, 0);
    }
    void TearDown() override {
        if (m_device) m_device->Release();
        host::detachVirtualController(m_id);
        EXPECT_EQ(host::liveDirectInputObjects(), 0);
        DestroyWindow(m_hWnd);
    }

    void createFirst() {
        Found found;
        ASSERT_TRUE(platform::enumerateGameControllers(stopAtFirst, &found));
        ASSERT_EQ(found.devices.size(), 1u);
        ASSERT_EQ(platform::createGameControllerDevice(found.devices[0].guidInstance, &m_device), DI_OK);
        ASSERT_EQ(m_device->SetCooperativeLevel(m_hWnd, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
        ASSERT_EQ(m_device->SetDataFormat(&c_dfDIJoystick), DI_OK);
    }

    HRESULT setRange(DWORD how, DWORD object, LONG min, LONG max) {
        DIPROPRANGE range{};
        range.diph = {sizeof(DIPROPRANGE), sizeof(DIPROPHEADER), object, how};
        range.lMin = min;
        range.lMax = max;
        return m_device->SetProperty(DIPROP_RANGE, &range.diph);
    }
    HRESULT setDeadZone(DWORD object, DWORD zone) {
        DIPROPDWORD value{};
        value.diph = {sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), object, DIPH_BYOFFSET};
        value.dwData = zone;
        return m_device->SetProperty(DIPROP_DEADZONE, &value.diph);
    }

    HINSTANCE m_hInstance = nullptr;
    HWND m_hWnd = nullptr;
    int m_id = -1;
    IDirectInputDevice8A* m_device = nullptr;
};

TEST_F(VirtualController, IsEnumeratedInOrderWithItsName) {
    const int second = host::attachVirtualController(std::string(100, 'n').c_str());
    ASSERT_GE(second, 0);
    Found all;
    EXPECT_FALSE(platform::enumerateGameControllers(collect, &all));
    ASSERT_EQ(all.devices.size(), 2u);
    EXPECT_STREQ(all.devices[0].tszProductName, "Test Pad");
    EXPECT_EQ(all.devices[0].dwSize, sizeof(DIDEVICEINSTANCEA));
    EXPECT_EQ(std::string(all.devices[1].tszProductName), std::string(100, 'n'));
    EXPECT_NE(all.devices[0].guidInstance, all.devices[1].guidInstance);
    EXPECT_NE(all.devices[0].guidInstance, GUID{});

    Found first;
    EXPECT_TRUE(platform::enumerateGameControllers(stopAtFirst, &first));
    EXPECT_EQ(first.devices.size(), 1u);

    // Once detached, its identifier creates nothing.
    host::detachVirtualController(second);
    IDirectInputDevice8A* device = nullptr;
    EXPECT_EQ(platform::createGameControllerDevice(all.devices[1].guidInstance, &device), DIERR_DEVICENOTREG);
    EXPECT_EQ(device, nullptr);
}

TEST_F(VirtualController, PollReadsAxesWithTheirRangesAndDeadZones) {
    createFirst();
    ASSERT_EQ(setRange(DIPH_DEVICE, 0, 0, 100), DI_OK);  // every axis
    ASSERT_EQ(setRange(DIPH_BYOFFSET, DIJOFS_X, -1000, 1000), DI_OK);
    ASSERT_EQ(setRange(DIPH_BYOFFSET, DIJOFS_Y, -1000, 1000), DI_OK);
    ASSERT_EQ(setDeadZone(DIJOFS_X, 1000), DI_OK);
    ASSERT_EQ(m_device->Acquire(), DI_OK);

    host::setVirtualControllerAxis(m_id, host::kLeftX, 3000);  // inside X's dead zone
    host::setVirtualControllerAxis(m_id, host::kLeftY, 3000);  // Y has none
    host::setVirtualControllerAxis(m_id, host::kRightX, 32767);
    host::setVirtualControllerAxis(m_id, host::kLeftTrigger, 32767);
    host::setVirtualControllerButton(m_id, host::kButtonA, true);
    host::setVirtualControllerButton(m_id, host::kPadUp, true);
    host::setVirtualControllerButton(m_id, host::kPadRight, true);
    ASSERT_EQ(m_device->Poll(), DI_OK);
    DIJOYSTATE state;
    std::memset(&state, 0xCD, sizeof state);
    ASSERT_EQ(m_device->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 92);
    EXPECT_EQ(state.lRx, 100);
    EXPECT_EQ(state.lRy, 50);  // at rest: the middle of 0..100
    EXPECT_EQ(state.lZ, 100);  // left trigger fully pressed
    EXPECT_EQ(state.lRz, 0);   // right trigger at rest
    EXPECT_EQ(state.rglSlider[0], 0);
    EXPECT_EQ(state.rgdwPOV[0], 4500u);
    EXPECT_EQ(state.rgdwPOV[1], 0xFFFFFFFFu);
    EXPECT_EQ(state.rgbButtons[host::kButtonA], 0x80);
    EXPECT_EQ(state.rgbButtons[host::kButtonB], 0);

    // A read without a poll repeats the last poll.
    host::setVirtualControllerAxis(m_id, host::kLeftX, -32768);
    ASSERT_EQ(m_device->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    ASSERT_EQ(m_device->Poll(), DI_OK);
    ASSERT_EQ(m_device->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, -1000);

    // Pulled out: the poll says so, and reads fail with nothing held.
    host::detachVirtualController(m_id);
    EXPECT_EQ(m_device->Poll(), DIERR_INPUTLOST);
    EXPECT_EQ(m_device->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED);
    EXPECT_EQ(state.rgbButtons[host::kButtonA], 0);
}

TEST_F(VirtualController, RefusesBadPropertiesAndReadsBeforeAcquire) {
    createFirst();
    DIJOYSTATE state;
    EXPECT_EQ(m_device->Poll(), DIERR_NOTACQUIRED);
    EXPECT_EQ(m_device->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED);
    EXPECT_EQ(m_device->GetDeviceState(16, &state), DIERR_INVALIDPARAM);

    EXPECT_EQ(setRange(DIPH_BYOFFSET, DIJOFS_X, 10, 10), DIERR_INVALIDPARAM);
    EXPECT_EQ(setRange(DIPH_BYOFFSET, DIJOFS_X, 10, -10), DIERR_INVALIDPARAM);
    EXPECT_EQ(setRange(DIPH_BYOFFSET, 24, 0, 10), (HRESULT)0x80070002) << "no sliders";
    EXPECT_EQ(setRange(DIPH_BYOFFSET, 2, 0, 10), (HRESULT)0x80070002);
    EXPECT_EQ(setRange(DIPH_DEVICE, 4, 0, 10), DIERR_INVALIDPARAM);
    EXPECT_EQ(setDeadZone(DIJOFS_Y, 10001), DIERR_INVALIDPARAM);
    EXPECT_EQ(setDeadZone(DIJOFS_Y, 10000), DI_OK);
    DIPROPDWORD shortRecord{};
    shortRecord.diph = {sizeof(DIPROPDWORD), 8, DIJOFS_X, DIPH_BYOFFSET};
    EXPECT_EQ(m_device->SetProperty(DIPROP_DEADZONE, &shortRecord.diph), DIERR_INVALIDPARAM);
    shortRecord.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    EXPECT_EQ(m_device->SetProperty(DIPROP_RANGE, &shortRecord.diph), DIERR_INVALIDPARAM) << "record too small";
    EXPECT_EQ(m_device->SetProperty(DIPROP_RANGE, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(m_device->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM);
    EXPECT_EQ(m_device->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DIERR_INVALIDHANDLE);
}

}  // namespace
