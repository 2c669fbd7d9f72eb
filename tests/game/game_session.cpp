#include "game_session.h"

#include "GameGlobals.h"
#include "Menu.h"
#include "audio_mixer.h"
#include "WinMain.h"
#include "host.h"
#include "host_input.h"
#include "test_env.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>

namespace {

// The entry point's window: class "Host Application", a 640 x 480 popup.
HWND makeHostWindow() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEX wc;
        std::memset(&wc, 0, sizeof wc);
        wc.cbSize = sizeof(WNDCLASSEX);
        wc.style = CS_CLASSDC;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Host Application";
        RegisterClassExA(&wc);
        registered = true;
    }
    return CreateWindowExA(0, "Host Application", "Host Application", WS_POPUP | WS_VISIBLE, 0, 0,
                           640, 480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

GameSession::GameSession(const std::string& runDir) {
    m_previousDir = std::filesystem::current_path().string();
    const std::string dir = runDir.empty() ? testenv::runDir() : runDir;
    std::filesystem::current_path(dir);
    host::useVirtualClock(0, 1);
    g_hInstance = GetModuleHandleA(nullptr);
    g_hWnd = makeHostWindow();
    g_bRunning = 1;
}

GameSession::~GameSession() {
    if (m_started && !m_finished) finish();
    host::deviceFaults().afterPresent = nullptr;
    std::filesystem::current_path(m_previousDir);
}

void GameSession::holdAudio() { m_heldAudio = platform::AudioMixer::installManual(); }

int GameSession::start(bool skipIntro) {
    if (skipIntro) host::pressKey(DIK_ESCAPE);
    const int result = InitGame();
    if (skipIntro) host::releaseKey(DIK_ESCAPE);
    m_started = result != 0;
    return result;
}

void GameSession::frame() {
    g_App.BeginFrame();
    GameFrame();
    if (g_App.EndFrame() == D3DERR_DEVICELOST) {
        g_App.OnInvalidateDeviceObjects();
        g_App.RecoverLostDevice();
        g_App.OnRestoreDeviceObjects();
    }
    handleMessage();
}

// One message a pass, as the main loop takes them; a quit stays queued.
void GameSession::handleMessage() {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        DispatchMessageA(&msg);
    }
}

void GameSession::frames(int count) {
    for (int i = 0; i < count; ++i) frame();
}

void GameSession::finish() {
    if (m_finished) return;
    m_finished = true;
    ShutdownGame();
}

void GameSession::press(int dik) { host::pressKey(dik); }
void GameSession::release(int dik) { host::releaseKey(dik); }

void GameSession::tap(int dik, int count) {
    press(dik);
    frames(count);
    release(dik);
    frame();
}

void GameSession::aimCursor(int x, int y) {
    const CSprite& cursor = g_Menu.m_CursorSprite;
    host::moveMouse(x + 8 - static_cast<int>(cursor.m_fX), y + 8 - static_cast<int>(cursor.m_fY));
}

void GameSession::pointAt(int x, int y) {
    aimCursor(x, y);
    frame();
}

void GameSession::click() {
    host::pressMouseButton(0);
    frame();
    host::releaseMouseButton(0);
    frame();
}

bool GameSession::startPlaying() {
    pointAt(498, 395);
    click();
    return g_nGameState == GS_PLAYING;
}

bool GameSession::quitPosted() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

bool GameSession::screenshot(const std::string& name) {
    const std::string folder = std::string(ROCK_TEST_OUTPUT_DIR) + "/screenshots";
    std::filesystem::create_directories(folder);
    return host::captureBackBuffer(folder + "/" + name + ".png");
}
