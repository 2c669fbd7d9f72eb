#include "Input.h"
#include "host_input.h"

#include "test_window.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// The start-up's order: the DirectInput object, then the keyboard, then the mouse.
class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_hInstance = GetModuleHandleA(nullptr);
        m_hWnd = testenv::makeTestWindow();
        ASSERT_NE(m_hWnd, nullptr);
    }
    void TearDown() override {
        // The shut-down's order.
        m_Input.m_Keyboard.Release();
        m_Input.m_Mouse.Release();
        m_Input.Release();
        EXPECT_EQ(host::liveDirectInputObjects(), 0) << "everything created was released";
        host::clearInputFaults();
        host::releaseAllInput();
        DestroyWindow(m_hWnd);
    }

    int CreateAll() {
        int ok = m_Input.Create(&m_hInstance, &m_hWnd);
        ok &= m_Input.m_Keyboard.Create(&m_hInstance, &m_hWnd, &m_Input.m_pDI);
        ok &= m_Input.m_Mouse.Create(&m_hInstance, &m_hWnd, &m_Input.m_pDI);
        return ok;
    }
    int KeysDown() {
        int count = 0;
        for (int key = 0; key < 256; ++key) count += m_Input.m_Keyboard.KeyDown(key) != 0;
        return count;
    }

    HINSTANCE m_hInstance = nullptr;
    HWND m_hWnd = nullptr;
    CInput m_Input;
};

}  // namespace

TEST_F(InputTest, ScriptedKeyReadsDownForExactlyTheFramesItIsHeld) {
    ASSERT_EQ(CreateAll(), 1);
    CKeyboard& keyboard = m_Input.m_Keyboard;
    for (int frame = 0; frame < 10; ++frame) {
        if (frame == 3) host::pressKey(DIK_SPACE);
        if (frame == 6) host::releaseKey(DIK_SPACE);
        ASSERT_EQ(keyboard.Update(), 1);
        const bool held = frame >= 3 && frame < 6;
        EXPECT_EQ(keyboard.KeyDown(DIK_SPACE), held ? 128 : 0) << "frame " << frame;
        EXPECT_EQ(KeysDown(), held ? 1 : 0) << "frame " << frame;
    }
}

TEST_F(InputTest, NothingReadsDownBeforeTheFirstUpdateOrWithoutDevices) {
    CInput fresh;
    for (int key = 0; key < 256; ++key) ASSERT_EQ(fresh.m_Keyboard.KeyDown(key), 0);
    EXPECT_EQ(fresh.m_Mouse.Clicked(), 0);
    EXPECT_EQ(fresh.m_Keyboard.Update(), 0);
    EXPECT_EQ(fresh.m_Mouse.Update(), 0);
    EXPECT_EQ(fresh.m_Mouse.m_State.lX, 0);
    EXPECT_EQ(fresh.m_Mouse.Clicked(), 0);
    fresh.m_Keyboard.Release();
    fresh.m_Mouse.Release();
    fresh.Release();
}

TEST_F(InputTest, KeyCodesOutsideTheTableReadAsUp) {
    ASSERT_EQ(CreateAll(), 1);
    CKeyboard& keyboard = m_Input.m_Keyboard;
    for (int key : {DIK_ESCAPE, DIK_RWIN, DIK_APPS, DIK_1}) host::pressKey(key);
    ASSERT_EQ(keyboard.Update(), 1);
    EXPECT_EQ(keyboard.KeyDown(DIK_ESCAPE), 128);
    EXPECT_EQ(keyboard.KeyDown(DIK_APPS), 128);
    for (int key : {-1, 256, 257, 1000, INT_MIN, INT_MAX}) EXPECT_EQ(keyboard.KeyDown(key), 0) << key;
}

TEST_F(InputTest, DevicesAfterAFailedDirectInputObjectFailCleanly) {
    host::inputFaults().directInputCreate = DIERR_GENERIC;
    EXPECT_EQ(m_Input.Create(&m_hInstance, &m_hWnd), 0);
    EXPECT_EQ(m_Input.m_pDI, nullptr);
    EXPECT_EQ(m_Input.m_Keyboard.Create(&m_hInstance, &m_hWnd, &m_Input.m_pDI), 0);
    EXPECT_EQ(m_Input.m_Mouse.Create(&m_hInstance, &m_hWnd, &m_Input.m_pDI), 0);
    EXPECT_EQ(m_Input.m_Keyboard.m_pDIDevice, nullptr);
    EXPECT_EQ(m_Input.m_Mouse.m_pDIDevice, nullptr);
    host::pressKey(DIK_UP);
    EXPECT_EQ(m_Input.m_Keyboard.Update(), 0);
    EXPECT_EQ(KeysDown(), 0);
    EXPECT_EQ(m_Input.m_Keyboard.Create(&m_hInstance, &m_hWnd, nullptr), 0);
}

TEST_F(InputTest, DirectInputObjectAcceptsAnySuccessButDevicesNeedExactlyDiOk) {
    host::inputFaults().directInputCreate = DI_NOEFFECT;
    EXPECT_EQ(m_Input.Create(&m_hInstance, &m_hWnd), 1);
    host::clearInputFaults();

    struct Step {
        const char* name;
        HRESULT platform::InputDeviceFaults::*field;
        bool deviceKept;
    };
    const Step steps[] = {
        {"CreateDevice", &platform::InputDeviceFaults::createDevice, false},
        {"SetCooperativeLevel", &platform::InputDeviceFaults::cooperativeLevel, true},
        {"SetDataFormat", &platform::InputDeviceFaults::dataFormat, true},
        {"Acquire", &platform::InputDeviceFaults::acquire, true},
    };
    for (const Step& step : steps) {
        for (HRESULT answer : {DI_NOEFFECT, DIERR_GENERIC}) {
            host::clearInputFaults();
            host::inputFaults().keyboard.*step.field = answer;
            CKeyboard keyboard;
            EXPECT_EQ(keyboard.Create(&m_hInstance, &m_hWnd, &m_Input.m_pDI), 0) << step.name;
            // A device made before the refusal stays for Release, unacquired.
            const bool kept = step.deviceKept || SUCCEEDED(answer);
            EXPECT_EQ(keyboard.m_pDIDevice != nullptr, kept) << step.name;
            host::clearInputFaults();
            host::pressKey(DIK_DOWN);
            // Only an acquisition that answered another success code left a readable device.
            const bool readable = step.field == &platform::InputDeviceFaults::acquire &&
                                  SUCCEEDED(answer);
            EXPECT_EQ(keyboard.Update(), readable ? 1 : 0) << step.name;
            EXPECT_EQ(keyboard.KeyDown(DIK_DOWN), readable ? 128 : 0) << step.name;
            keyboard.Release();
            EXPECT_EQ(keyboard.m_pDIDevice, nullptr);
            host::releaseAllInput();
        }
    }
    // The mouse goes through the same steps with its own device.
    host::inputFaults().mouse.acquire = DIERR_GENERIC;
    EXPECT_EQ(m_Input.m_Mouse.Create(&m_hInstance, &m_hWnd, &m_Input.m_pDI), 0);
    EXPECT_EQ(m_Input.m_Keyboard.Create(&m_hInstance, &m_hWnd, &m_Input.m_pDI), 1);
}

TEST_F(InputTest, AFailedReadLeavesNoKeyStuckDown) {
    ASSERT_EQ(CreateAll(), 1);
    CKeyboard& keyboard = m_Input.m_Keyboard;
    host::pressKey(DIK_LCONTROL);
    host::pressKey(DIK_LEFT);
    ASSERT_EQ(keyboard.Update(), 1);
    ASSERT_EQ(KeysDown(), 2);
    host::failKeyboardReads(2);
    EXPECT_EQ(keyboard.Update(), 0);
    EXPECT_EQ(KeysDown(), 0);
    EXPECT_EQ(keyboard.Update(), 0);
    EXPECT_EQ(keyboard.Update(), 1) << "the device answers again";
    EXPECT_EQ(keyboard.KeyDown(DIK_LEFT), 128);
}

TEST_F(InputTest, MouseMotionIsSinceTheLastRead) {
    ASSERT_EQ(CreateAll(), 1);
    CMouse& mouse = m_Input.m_Mouse;
    host::moveMouse(12, -5);
    host::moveMouse(3, 1);
    ASSERT_EQ(mouse.Update(), 1);
    EXPECT_EQ(mouse.m_State.lX, 15);
    EXPECT_EQ(mouse.m_State.lY, -4);
    ASSERT_EQ(mouse.Update(), 1);
    EXPECT_EQ(mouse.m_State.lX, 0);
    EXPECT_EQ(mouse.m_State.lY, 0);
    EXPECT_EQ(mouse.m_PrevState.lX, 15) << "the read before is kept";
}

TEST_F(InputTest, AClickIsTheReleaseOfButtonZeroBetweenTwoReads) {
    ASSERT_EQ(CreateAll(), 1);
    CMouse& mouse = m_Input.m_Mouse;
    mouse.Update();
    EXPECT_EQ(mouse.Clicked(), 0);

    host::pressMouseButton(0);
    mouse.Update();
    EXPECT_EQ(mouse.Clicked(), 0) << "pressed";
    EXPECT_NE(mouse.m_State.rgbButtons[0], 0);
    mouse.Update();
    EXPECT_EQ(mouse.Clicked(), 0) << "still held";
    host::releaseMouseButton(0);
    mouse.Update();
    EXPECT_EQ(mouse.Clicked(), 1) << "released";
    mouse.Update();
    EXPECT_EQ(mouse.Clicked(), 0) << "one frame only";

    // A press and release that both fall between two reads are not seen.
    host::pressMouseButton(0);
    host::releaseMouseButton(0);
    mouse.Update();
    EXPECT_EQ(mouse.Clicked(), 0);

    // Other buttons never click.
    host::pressMouseButton(1);
    mouse.Update();
    host::releaseMouseButton(1);
    mouse.Update();
    EXPECT_EQ(mouse.Clicked(), 0);
}

TEST_F(InputTest, LosingTheMouseWhileTheButtonIsHeldIsNoClick) {
    ASSERT_EQ(CreateAll(), 1);
    CMouse& mouse = m_Input.m_Mouse;
    host::pressMouseButton(0);
    host::moveMouse(4, 4);
    mouse.Update();
    host::failMouseReads(1);
    EXPECT_EQ(mouse.Update(), 0);
    EXPECT_EQ(mouse.Clicked(), 0);
    EXPECT_EQ(mouse.m_State.lX, 0);
    EXPECT_EQ(mouse.m_State.rgbButtons[0], 0);
    EXPECT_EQ(mouse.Update(), 1);
    EXPECT_EQ(mouse.Clicked(), 0) << "the button is still held";
    host::releaseMouseButton(0);
    mouse.Update();
    EXPECT_EQ(mouse.Clicked(), 1);
}

TEST_F(InputTest, ReleasedDevicesReadNothingAndReleaseOnce) {
    ASSERT_EQ(CreateAll(), 1);
    host::pressKey(DIK_RETURN);
    ASSERT_EQ(m_Input.m_Keyboard.Update(), 1);
    m_Input.m_Keyboard.Release();
    m_Input.m_Mouse.Release();
    m_Input.Release();
    EXPECT_EQ(host::liveDirectInputObjects(), 0);
    EXPECT_EQ(m_Input.m_Keyboard.Update(), 0);
    EXPECT_EQ(KeysDown(), 0);
    EXPECT_EQ(m_Input.m_Mouse.Update(), 0);
    // The fixture releases everything a second time.
}
