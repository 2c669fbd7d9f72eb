// The Win32 stand-in: message order, paths, arithmetic.
#include "file_paths.h"
#include "host.h"
#include "test_env.h"
#include "win32_api.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

std::vector<UINT> seen;
LRESULT recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back(message);
    if (message == WM_DESTROY) PostQuitMessage(3);
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND makeWindow() {
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = "Queue Test";
    RegisterClassExA(&wc);
    return CreateWindowExA(0, "Queue Test", "Queue Test", WS_POPUP, 0, 0, 640, 480, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST(MessageQueue, QuitComesOutOnlyAfterThePostedMessages) {
    HWND window = makeWindow();
    ASSERT_NE(window, nullptr);
    PostQuitMessage(5);
    PostMessageA(window, WM_USER, 1, 0);
    PostMessageA(window, WM_USER + 1, 2, 0);
    MSG msg{};
    std::vector<UINT> order;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) order.push_back(msg.message);
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_QUIT}));
    EXPECT_EQ(msg.wParam, 5u);
}

TEST(MessageQueue, AFilteredPeekFindsTheFirstMessageInItsRangeAndLeavesTheRest) {
    HWND window = makeWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_USER, 1, 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    PostQuitMessage(0);
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));

    std::vector<UINT> order;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) order.push_back(msg.message);
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_CLOSE, WM_QUIT}));
}

TEST(MessageQueue, EmptyPeekLeavesTheRecordAlone) {
    makeWindow();
    MSG msg{};
    msg.message = 0x1234;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, 0x1234u);
}

TEST(MessageQueue, WindowCloseBecomesCloseThenDestroyThenQuit) {
    HWND window = makeWindow();
    seen.clear();
    host::requestWindowClose();
    MSG msg{};
    std::vector<UINT> retrieved;
    for (int i = 0; i < 10 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        retrieved.push_back(msg.message);
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(retrieved, (std::vector<UINT>{WM_CLOSE, WM_QUIT}));
    EXPECT_EQ(seen, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(IsWindow(window));
}

TEST(MulDiv, RoundsToNearestWithA64BitProduct) {
    struct Case { int a, b, c, expected; };
    for (const Case& k : std::vector<Case>{{16, 96, 72, 21}, {32, 96, 72, 43}, {10, 96, 72, 13},
                                           {20, 96, 72, 27}, {-16, 96, 72, -21}, {5, 1, 2, 3},
                                           {-5, 1, 2, -3}, {0x40000000, 4, 8, 0x20000000},
                                           {1, 1, 0, -1}})
        EXPECT_EQ(MulDiv(k.a, k.b, k.c), k.expected) << k.a << "*" << k.b << "/" << k.c;
}

TEST(Paths, BackslashesCaseAndDoubleSlashesFindTheFile) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(testenv::outputPath("paths"));
    fs::create_directories(root / "media");
    fs::create_directories(root / "SOUND");
    std::ofstream(root / "media" / "Stars.bmp") << "x";
    std::ofstream(root / "SOUND" / "exp1.wav") << "x";
    const std::string base = root.string();
    struct Case { std::string asked, expected; };
    for (const Case& c : std::vector<Case>{
             {base + "\\media\\Stars.bmp", base + "/media/Stars.bmp"},
             {base + "/media//stars.BMP", base + "/media/Stars.bmp"},
             {base + "\\sound/EXP1.WAV", base + "/SOUND/exp1.wav"},
             {base + "/media/missing.bmp", base + "/media/missing.bmp"}})
        EXPECT_EQ(platform::resolvePath(c.asked.c_str()), c.expected) << c.asked;
}

}  // namespace
