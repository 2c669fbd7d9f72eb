#include "dinput_api.h"
#include "host.h"
#include "host_input.h"

#include "test_window.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A window, the DirectInput object and acquired keyboard and mouse devices.
class DirectInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        instance = GetModuleHandleA(nullptr);
        window = testenv::makeTestWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                     reinterpret_cast<void**>(&di), nullptr),
                  DI_OK);
    }
    void TearDown() override {
        if (keyboard) keyboard->Release();
        if (mouse) mouse->Release();
        if (di) di->Release();
        EXPECT_EQ(host::liveDirectInputObjects(), 0);
        if (window) DestroyWindow(window);
        host::clearInputFaults();
        host::releaseAllInput();
    }

    IDirectInputDevice8A* makeDevice(const GUID& guid, const DIDATAFORMAT& format) {
        IDirectInputDevice8A* device = nullptr;
        EXPECT_EQ(di->CreateDevice(guid, &device, nullptr), DI_OK);
        if (!device) return nullptr;
        EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
        EXPECT_EQ(device->SetDataFormat(&format), DI_OK);
        EXPECT_EQ(device->Acquire(), DI_OK);
        return device;
    }
    void makeDevices() {
        keyboard = makeDevice(GUID_SysKeyboard, c_dfDIKeyboard);
        mouse = makeDevice(GUID_SysMouse, c_dfDIMouse);
        ASSERT_NE(keyboard, nullptr);
        ASSERT_NE(mouse, nullptr);
    }
    void readKeys(BYTE* keys) { ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK); }
    DIMOUSESTATE readMouse() {
        DIMOUSESTATE state;
        std::memset(&state, 0x55, sizeof(state));
        EXPECT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
        return state;
    }

    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    IDirectInput8A* di = nullptr;
    IDirectInputDevice8A* keyboard = nullptr;
    IDirectInputDevice8A* mouse = nullptr;
};

}  // namespace

TEST_F(DirectInputTest, EveryCreationStepAnswersDiOkAndRepeatsAnswerNoEffect) {
    makeDevices();
    EXPECT_EQ(host::liveDirectInputObjects(), 3);
    EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard->Unacquire(), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
    BYTE keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keyboard->Poll(), DI_NOEFFECT);
}

TEST_F(DirectInputTest, BadArgumentsAreRefused) {
    IDirectInput8A* other = reinterpret_cast<IDirectInput8A*>(0x1);
    EXPECT_EQ(DirectInput8Create(instance, 0x0700, IID_IDirectInput8A,
                                 reinterpret_cast<void**>(&other), nullptr),
              DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(other, nullptr);
    EXPECT_TRUE(FAILED(DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IUnknown,
                                          reinterpret_cast<void**>(&other), nullptr)));
    EXPECT_TRUE(FAILED(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                          reinterpret_cast<void**>(&other), nullptr)));
    EXPECT_TRUE(FAILED(DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                          nullptr, nullptr)));

    IDirectInputDevice8A* device = reinterpret_cast<IDirectInputDevice8A*>(0x1);
    const GUID none{};
    EXPECT_TRUE(FAILED(di->CreateDevice(none, &device, nullptr)));
    EXPECT_EQ(device, nullptr);
    EXPECT_TRUE(FAILED(di->CreateDevice(GUID_SysKeyboard, nullptr, nullptr)));

    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &device, nullptr), DI_OK);
    EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE), DIERR_INVALIDPARAM);
    EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE |
                                                      DISCL_BACKGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_TRUE(FAILED(device->SetCooperativeLevel(reinterpret_cast<HWND>(0x77),
                                                   DISCL_NONEXCLUSIVE | DISCL_BACKGROUND)));
    EXPECT_EQ(device->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM);
    EXPECT_EQ(device->Acquire(), DIERR_INVALIDPARAM) << "no data format yet";
    ASSERT_EQ(device->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(device->Acquire(), DI_OK);
    EXPECT_EQ(device->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
    BYTE keys[256];
    EXPECT_EQ(device->GetDeviceState(16, keys), DIERR_INVALIDPARAM);
    EXPECT_EQ(device->GetDeviceState(256, nullptr), DIERR_INVALIDPARAM);
    device->Release();
}

TEST_F(DirectInputTest, PhysicalKeysMapToTheirScanCodes) {
    makeDevices();
    // The keys the game reads, by where they sit (USB HID usage ids, which SDL
    // scancodes are), with the scan codes the game compares against.
    const struct {
        int usage;
        int dik;
        const char* name;
    } keys[] = {
        {41, 0x01, "Escape"}, {46, 0x0D, "="},        {45, 0x0C, "-"},
        {74, 0xC7, "Home"},   {79, 0xCD, "Right"},    {80, 0xCB, "Left"},
        {82, 0xC8, "Up"},     {81, 0xD0, "Down"},     {224, 0x1D, "left Ctrl"},
        {228, 0x9D, "right Ctrl"}, {44, 0x39, "Space"}, {40, 0x1C, "Return"},
        {4, 0x1E, "A"},       {20, 0x10, "Q"},        {88, 0x9C, "keypad Enter"},
    };
    for (const auto& key : keys) {
        host::pressPhysicalKey(key.usage);
        BYTE state[256];
        readKeys(state);
        for (int code = 0; code < 256; ++code)
            ASSERT_EQ(state[code], code == key.dik ? 0x80 : 0) << key.name;
        host::releasePhysicalKey(key.usage);
        readKeys(state);
        ASSERT_EQ(state[key.dik], 0) << key.name;
    }
}

TEST_F(DirectInputTest, ScriptedKeysAreSeenAtTheNextReadAndHeldUntilReleased) {
    makeDevices();
    BYTE state[256];
    host::pressKey(DIK_LEFT);
    host::pressKey(DIK_SPACE);
    readKeys(state);
    EXPECT_EQ(state[DIK_LEFT], 0x80);
    EXPECT_EQ(state[DIK_SPACE], 0x80);
    readKeys(state);
    EXPECT_EQ(state[DIK_LEFT], 0x80) << "no key repeat or edge: held is held";
    host::releaseKey(DIK_LEFT);
    readKeys(state);
    EXPECT_EQ(state[DIK_LEFT], 0);
    EXPECT_EQ(state[DIK_SPACE], 0x80);
    host::releaseAllInput();
    readKeys(state);
    EXPECT_EQ(state[DIK_SPACE], 0);
}

TEST_F(DirectInputTest, MouseReportsMotionSinceTheLastReadAndHeldButtons) {
    host::moveMouse(100, 100);  // before the mouse is acquired: not seen
    makeDevices();
    host::moveMouse(3, 4);
    host::moveMouse(2, -1);
    host::turnMouseWheel(2);
    host::pressMouseButton(0);
    DIMOUSESTATE state = readMouse();
    EXPECT_EQ(state.lX, 5);
    EXPECT_EQ(state.lY, 3);
    EXPECT_EQ(state.lZ, 240);
    EXPECT_EQ(state.rgbButtons[0], 0x80);
    EXPECT_EQ(state.rgbButtons[1], 0);

    state = readMouse();
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 0);
    EXPECT_EQ(state.lZ, 0);
    EXPECT_EQ(state.rgbButtons[0], 0x80);

    host::releaseMouseButton(0);
    host::pressMouseButton(1);
    state = readMouse();
    EXPECT_EQ(state.rgbButtons[0], 0);
    EXPECT_EQ(state.rgbButtons[1], 0x80);

    // A second mouse device gets its own motion since its own last read.
    IDirectInputDevice8A* second = makeDevice(GUID_SysMouse, c_dfDIMouse);
    host::moveMouse(-7, 0);
    DIMOUSESTATE other{};
    ASSERT_EQ(second->GetDeviceState(sizeof(other), &other), DI_OK);
    EXPECT_EQ(other.lX, -7);
    EXPECT_EQ(readMouse().lX, -7);
    second->Release();
}

TEST_F(DirectInputTest, ScriptedStepResultsAreAnsweredAsGiven) {
    const HRESULT results[] = {DIERR_GENERIC, DI_NOEFFECT};
    for (HRESULT result : results) {
        host::clearInputFaults();
        host::inputFaults().directInputCreate = result;
        IDirectInput8A* object = nullptr;
        EXPECT_EQ(DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                     reinterpret_cast<void**>(&object), nullptr),
                  result);
        EXPECT_EQ(object != nullptr, SUCCEEDED(result));
        if (object) object->Release();

        host::clearInputFaults();
        host::inputFaults().mouse.createDevice = result;
        IDirectInputDevice8A* device = nullptr;
        EXPECT_EQ(di->CreateDevice(GUID_SysMouse, &device, nullptr), result);
        EXPECT_EQ(device != nullptr, SUCCEEDED(result));
        if (device) device->Release();
        EXPECT_EQ(di->CreateDevice(GUID_SysKeyboard, &device, nullptr), DI_OK) << "the other kind";
        device->Release();

        host::clearInputFaults();
        host::inputFaults().keyboard.cooperativeLevel = result;
        host::inputFaults().keyboard.dataFormat = result;
        host::inputFaults().keyboard.acquire = result;
        ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &device, nullptr), DI_OK);
        EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), result);
        EXPECT_EQ(device->SetDataFormat(&c_dfDIKeyboard), result);
        host::inputFaults().keyboard.dataFormat = DI_OK;
        device->SetDataFormat(&c_dfDIKeyboard);
        EXPECT_EQ(device->Acquire(), result);
        device->Release();
    }
    host::clearInputFaults();
}

TEST_F(DirectInputTest, FailedReadsReportLostInputAndHoldNothing) {
    makeDevices();
    host::pressKey(DIK_RCONTROL);
    host::pressMouseButton(0);
    host::failKeyboardReads(2);
    host::failMouseReads(1);
    host::moveMouse(9, 9);
    BYTE keys[256];
    for (int i = 0; i < 2; ++i) {
        std::memset(keys, 0xFF, sizeof(keys));
        EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_INPUTLOST);
        for (BYTE k : keys) ASSERT_EQ(k, 0);
    }
    DIMOUSESTATE state;
    EXPECT_EQ(mouse->GetDeviceState(sizeof(state), &state), DIERR_INPUTLOST);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.rgbButtons[0], 0);

    readKeys(keys);
    EXPECT_EQ(keys[DIK_RCONTROL], 0x80) << "the device comes back";
    state = readMouse();
    EXPECT_EQ(state.lX, 0) << "motion of a lost read is gone";
    EXPECT_EQ(state.rgbButtons[0], 0x80);
}

TEST_F(DirectInputTest, ReadingTheKeyboardAlsoFeedsTheMessageQueue) {
    makeDevices();
    host::clearMessages();
    host::requestWindowClose();
    BYTE keys[256];
    readKeys(keys);
    EXPECT_GE(host::queuedMessages(), 1u) << "the close request was pumped into the queue";
}

TEST_F(DirectInputTest, EnumerationOffersTheSystemDevicesAndOnlyAttachedControllers) {
    struct Seen {
        int keyboards = 0, mice = 0, others = 0;
    } seen;
    auto callback = [](const DIDEVICEINSTANCEA* device, LPVOID context) -> BOOL {
        auto* s = static_cast<Seen*>(context);
        if (device->guidInstance == GUID_SysKeyboard) ++s->keyboards;
        else if (device->guidInstance == GUID_SysMouse) ++s->mice;
        else ++s->others;
        return DIENUM_CONTINUE;
    };
    EXPECT_EQ(di->EnumDevices(DI8DEVCLASS_GAMECTRL, callback, &seen, DIEDFL_ATTACHEDONLY), DI_OK);
    EXPECT_EQ(seen.keyboards + seen.mice, 0) << "game controllers only";
    EXPECT_EQ(di->EnumDevices(DI8DEVCLASS_ALL, callback, &seen, DIEDFL_ATTACHEDONLY), DI_OK);
    EXPECT_EQ(seen.keyboards, 1);
    EXPECT_EQ(seen.mice, 1);
    EXPECT_EQ(di->EnumDevices(DI8DEVCLASS_ALL, nullptr, nullptr, 0), DIERR_INVALIDPARAM);
}
