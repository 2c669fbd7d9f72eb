#include "Input.h"
#include "host_input.h"

#include "test_window.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

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

// A DirectInput object and device that write down every call they get and
// answer as scripted, to see exactly what the keyboard and the mouse ask of
// the platform and in which order.
class RecordingDevice : public IDirectInputDevice8A {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override {
        log.push_back("Release");
        return 0;
    }
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
        char text[64];
        std::snprintf(text, sizeof(text), "SetCooperativeLevel %p 0x%02X", (void*)window,
                      unsigned(flags));
        log.push_back(text);
        return answer("SetCooperativeLevel");
    }
    HRESULT SetDataFormat(const DIDATAFORMAT* format) override {
        log.push_back(format == &c_dfDIKeyboard ? "SetDataFormat keyboard"
                      : format == &c_dfDIMouse  ? "SetDataFormat mouse"
                                                : "SetDataFormat other");
        return answer("SetDataFormat");
    }
    HRESULT Acquire() override {
        log.push_back("Acquire");
        return answer("Acquire");
    }
    HRESULT Unacquire() override {
        log.push_back("Unacquire");
        return DI_OK;
    }
    HRESULT GetDeviceState(DWORD size, LPVOID data) override {
        log.push_back("GetDeviceState " + std::to_string(size));
        std::memset(data, 0, size);
        static_cast<BYTE*>(data)[size - 1] = 0x80;  // the last key, or mouse button 3
        static_cast<BYTE*>(data)[size == 16 ? 12 : 0x39] = 0x80;  // button 0, or SPACE
        return answer("GetDeviceState");
    }
    HRESULT Poll() override { return DI_OK; }
    HRESULT SetProperty(DIPROPID, const DIPROPHEADER*) override { return DI_OK; }

    HRESULT answer(const std::string& step) {
        auto it = answers.find(step);
        return it == answers.end() ? DI_OK : it->second;
    }

    std::vector<std::string>& log;
    std::map<std::string, HRESULT> answers;

    explicit RecordingDevice(std::vector<std::string>& sharedLog) : log(sharedLog) {}
};

class RecordingDirectInput : public IDirectInput8A {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 0; }
    HRESULT CreateDevice(REFGUID guid, IDirectInputDevice8A** device, IUnknown* outer) override {
        log.push_back(std::string("CreateDevice ") +
                      (guid == GUID_SysKeyboard ? "keyboard"
                       : guid == GUID_SysMouse  ? "mouse"
                                                : "other") +
                      (outer ? " outer" : " no-outer"));
        const HRESULT hr = m_Device.answer("CreateDevice");
        *device = FAILED(hr) ? nullptr : &m_Device;
        return hr;
    }
    HRESULT EnumDevices(DWORD, LPDIENUMDEVICESCALLBACKA, LPVOID, DWORD) override { return DI_OK; }

    std::vector<std::string> log;
    RecordingDevice m_Device{log};
};

std::string WindowText(HWND hWnd) {
    char text[32];
    std::snprintf(text, sizeof(text), "%p", (void*)hWnd);
    return text;
}

}  // namespace

TEST(InputDeviceCalls, CreateReadAndReleaseAskThePlatformInTheirOrder) {
    HINSTANCE hInstance = GetModuleHandleA(nullptr);
    HWND hWnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
    const std::string window = WindowText(hWnd);
    struct Case {
        const char* device;
        DWORD stateSize;
    } cases[] = {{"keyboard", 256}, {"mouse", 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        RecordingDirectInput di;
        IDirectInput8A* pDI = &di;
        CKeyboard keyboard;
        CMouse mouse;
        const bool isKeyboard = std::string(c.device) == "keyboard";
        const int created = isKeyboard ? keyboard.Create(&hInstance, &hWnd, &pDI)
                                       : mouse.Create(&hInstance, &hWnd, &pDI);
        EXPECT_EQ(created, 1);
        const std::vector<std::string> expectedCreate = {
            std::string("CreateDevice ") + c.device + " no-outer",
            "SetCooperativeLevel " + window + " 0x0A",  // non-exclusive, background
            std::string("SetDataFormat ") + c.device,
            "Acquire",
        };
        EXPECT_EQ(di.log, expectedCreate);

        di.log.clear();
        EXPECT_EQ(isKeyboard ? keyboard.Update() : mouse.Update(), 1);
        EXPECT_EQ(isKeyboard ? keyboard.KeyDown(DIK_SPACE) : mouse.m_State.rgbButtons[0], 0x80);
        di.log.push_back("--");
        isKeyboard ? keyboard.Release() : mouse.Release();
        const std::vector<std::string> expectedRest = {
            "GetDeviceState " + std::to_string(c.stateSize), "--", "Unacquire", "Release"};
        EXPECT_EQ(di.log, expectedRest);
    }
}

TEST(InputDeviceCalls, TheFirstStepNotAnsweringDiOkEndsCreation) {
    HINSTANCE hInstance = GetModuleHandleA(nullptr);
    HWND hWnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
    const char* steps[] = {"CreateDevice", "SetCooperativeLevel", "SetDataFormat", "Acquire"};
    for (int failing = 0; failing < 4; ++failing) {
        for (HRESULT answer : {DI_NOEFFECT, DIERR_GENERIC}) {
            SCOPED_TRACE(std::string(steps[failing]) + " answering " + std::to_string(answer));
            RecordingDirectInput di;
            di.m_Device.answers[steps[failing]] = answer;
            IDirectInput8A* pDI = &di;
            CMouse mouse;
            EXPECT_EQ(mouse.Create(&hInstance, &hWnd, &pDI), 0);
            ASSERT_EQ(di.log.size(), size_t(failing + 1)) << "nothing after the refused step";
            EXPECT_EQ(di.log.back().rfind(steps[failing], 0), 0u);
            // What was made stays for Release, which frees it once.
            const bool made = failing > 0 || SUCCEEDED(answer);
            EXPECT_EQ(mouse.m_pDIDevice, made ? &di.m_Device : nullptr);
            di.log.clear();
            mouse.Release();
            mouse.Release();
            EXPECT_EQ(di.log, made ? (std::vector<std::string>{"Unacquire", "Release"})
                                   : std::vector<std::string>{});
        }
    }
}

// A read that answers DI_OK gives 1. A refused read gives 0 and clears the
// state; a read that answers another success code gives 0 but keeps what it wrote.
TEST(InputDeviceCalls, ReadResultsAndWhatTheyLeave) {
    HINSTANCE hInstance = GetModuleHandleA(nullptr);
    HWND hWnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
    const struct {
        HRESULT answer;
        int result;
        bool kept;
    } reads[] = {{DI_OK, 1, true}, {DI_NOEFFECT, 0, true}, {DIERR_INPUTLOST, 0, false}};
    for (const auto& r : reads) {
        SCOPED_TRACE(r.answer);
        RecordingDirectInput di;
        IDirectInput8A* pDI = &di;
        CKeyboard keyboard;
        CMouse mouse;
        ASSERT_EQ(keyboard.Create(&hInstance, &hWnd, &pDI), 1);
        ASSERT_EQ(mouse.Create(&hInstance, &hWnd, &pDI), 1);
        ASSERT_EQ(mouse.Update(), 1);  // button 0 held
        di.m_Device.answers["GetDeviceState"] = r.answer;
        EXPECT_EQ(keyboard.Update(), r.result);
        EXPECT_EQ(keyboard.KeyDown(DIK_SPACE), r.kept ? 0x80 : 0);
        EXPECT_EQ(keyboard.KeyDown(255), r.kept ? 0x80 : 0);
        EXPECT_EQ(mouse.Update(), r.result);
        EXPECT_EQ(mouse.m_State.rgbButtons[0], r.kept ? 0x80 : 0);
        EXPECT_EQ(mouse.Clicked(), 0) << "no click made up by a refused read";
        keyboard.Release();
        mouse.Release();
    }
}

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
