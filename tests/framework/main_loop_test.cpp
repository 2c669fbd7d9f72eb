// The entry point and main loop: exit codes, frames and messages.
#include "GraphicsApp.h"
#include "fake_game.h"
#include "host.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class MainLoop : public ::testing::Test {
protected:
    void SetUp() override { host::useVirtualClock(1000, 1); }
    FakeGame& game = FakeGame::instance();
};

TEST_F(MainLoop, FailedStartUpReturnsZeroWithoutFramesOrShutDown) {
    game.initResult = 0;
    EXPECT_EQ(FakeGame::runProgram(), 0);
    EXPECT_EQ(game.initCalls, 1);
    EXPECT_EQ(game.frames, 0);
    EXPECT_EQ(game.shutdownCalls, 0);
}

TEST_F(MainLoop, PostedQuitEndsTheLoopBeforeAnotherFrame) {
    game.onFrame = [](int frame) {
        if (frame == 3) PostMessageA(g_hWnd, WM_QUIT, 0, 0);
    };
    EXPECT_EQ(FakeGame::runProgram(), 1);
    EXPECT_EQ(game.frames, 3);
    EXPECT_EQ(game.shutdownCalls, 1);
    EXPECT_EQ(g_App.m_pDevice, nullptr);
}

TEST_F(MainLoop, QuitCodeDoesNotChangeTheExitCode) {
    game.onFrame = [](int) { PostQuitMessage(7); };
    EXPECT_EQ(FakeGame::runProgram(), 1);
    EXPECT_EQ(game.frames, 1);
}

TEST_F(MainLoop, DispatchesExactlyOneMessagePerFrame) {
    std::vector<unsigned long> dispatchedBeforeFrame;
    game.onInit = [] {
        for (int i = 0; i < 4; ++i) PostMessageA(g_hWnd, WM_USER + i, 0, 0);
    };
    game.onFrame = [&](int frame) {
        dispatchedBeforeFrame.push_back(host::dispatchedMessages());
        if (frame == 7) PostMessageA(g_hWnd, WM_QUIT, 0, 0);
    };
    EXPECT_EQ(FakeGame::runProgram(), 1);
    // The first frame comes before any dispatch; then one per pass until the
    // queue is empty, and none while it stays empty.
    EXPECT_EQ(dispatchedBeforeFrame, (std::vector<unsigned long>{0, 1, 2, 3, 4, 4, 4}));
}

TEST_F(MainLoop, ClosingTheWindowDestroysItAndQuitsWithCodeZero) {
    std::vector<bool> windowAlive;
    game.onFrame = [&](int frame) {
        windowAlive.push_back(IsWindow(g_hWnd) != FALSE);
        if (frame == 2) host::requestWindowClose();
        ASSERT_LT(frame, 50) << "the close request never ended the loop";
    };
    EXPECT_EQ(FakeGame::runProgram(), 1);
    EXPECT_EQ(game.shutdownCalls, 1);
    // Frame 3 peeks WM_CLOSE; the pass after it dispatches it (destroying the
    // window and posting the quit), and the next peek ends the loop.
    EXPECT_EQ(game.frames, 3);
    EXPECT_FALSE(IsWindow(g_hWnd));
}

TEST_F(MainLoop, TheWindowIsCreatedAsAVisiblePopupOfTheHostClassAt640By480) {
    host::WindowCreation created;
    game.onFrame = [&](int) {
        created = host::windowCreation(g_hWnd);
        PostQuitMessage(0);
    };
    FakeGame::runProgram();
    ASSERT_TRUE(created.exists);
    EXPECT_EQ(created.className, "Host Application");
    EXPECT_EQ(created.title, "Host Application");
    EXPECT_EQ(created.style, DWORD(WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(created.x, 0);
    EXPECT_EQ(created.y, 0);
    EXPECT_EQ(created.width, 640);
    EXPECT_EQ(created.height, 480);
}

// What closing the window ends in: its destruction posts the quit with code 0.
TEST_F(MainLoop, DestroyingTheWindowPostsTheQuitWithCodeZero) {
    host::clearMessages();
    EXPECT_EQ(g_App.MsgProc(nullptr, WM_DESTROY, 0, 0), 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(0));
}

TEST_F(MainLoop, WindowIsTheBorderlessHostWindowTakenOverAt800By600) {
    RECT client{};
    game.onFrame = [&](int) {
        GetClientRect(g_hWnd, &client);
        PostQuitMessage(0);
    };
    FakeGame::runProgram();
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
    EXPECT_NE(g_hInstance, nullptr);
}

}  // namespace
