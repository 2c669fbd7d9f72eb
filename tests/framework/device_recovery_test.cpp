// Lost-device recovery as the main loop drives it.
#include "GraphicsApp.h"
#include "fake_game.h"
#include "host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct RecoveryCase {
    const char* name;
    std::vector<HRESULT> tests;  // what TestCooperativeLevel answers while lost
    int resetRefusals;
    int expectedResets;
    uint64_t expectedSleepMs;
    bool expectRecovered;        // the device presents again afterwards
};

class Recovery : public ::testing::TestWithParam<RecoveryCase> {
protected:
    void SetUp() override { host::useVirtualClock(5000, 1); }
};

TEST_P(Recovery, EndsInResetOrCleanShutDown) {
    const RecoveryCase& c = GetParam();
    FakeGame& game = FakeGame::instance();
    platform::DeviceFaults& faults = host::deviceFaults();
    int presentsAfterLoss = -1;
    game.onFrame = [&](int frame) {
        if (frame == 2) {
            faults.presentsUntilLost = 0;  // this frame's Present reports the loss
            faults.cooperativeScript.assign(c.tests.begin(), c.tests.end());
            faults.resetRefusals = c.resetRefusals;
        }
        if (frame == 3) presentsAfterLoss = faults.presentCalls;
        if (frame == 4) {
            EXPECT_EQ(faults.presentCalls, presentsAfterLoss + 1);
            PostQuitMessage(0);
        }
        ASSERT_LT(frame, 10);
    };
    EXPECT_EQ(FakeGame::runProgram(), 1) << c.name;
    EXPECT_EQ(game.shutdownCalls, 1);
    EXPECT_EQ(faults.resetCalls, c.expectedResets) << c.name;
    EXPECT_EQ(host::sleptMilliseconds(), c.expectedSleepMs) << c.name;
    EXPECT_EQ(game.frames, c.expectRecovered ? 4 : 2) << c.name;
}

const HRESULT LOST = D3DERR_DEVICELOST;
const HRESULT NOTRESET = D3DERR_DEVICENOTRESET;

INSTANTIATE_TEST_SUITE_P(
    Paths, Recovery,
    ::testing::Values(
        RecoveryCase{"ResettableAtOnce", {NOTRESET}, 0, 1, 0, true},
        RecoveryCase{"WaitsASecondPerTest", {LOST, LOST, NOTRESET}, 0, 1, 2000, true},
        RecoveryCase{"FailedResetGoesBackToWaiting", {NOTRESET, NOTRESET}, 1, 2, 1000,
                     true},
        RecoveryCase{"FineAgainWithoutReset", {LOST, D3D_OK}, 0, 0, 1000, true},
        RecoveryCase{"OtherAnswersKeepWaiting", {LOST, E_FAIL, NOTRESET}, 0, 1, 2000, true},
        RecoveryCase{"NeverResettableGivesUp", std::vector<HRESULT>(200, LOST), 0, 0,
                     60000, false},
        RecoveryCase{"ResetKeepsFailingGivesUp", {}, 100, 5, 4000, false}),
    [](const ::testing::TestParamInfo<RecoveryCase>& info) {
        return std::string(info.param.name);
    });

TEST(RecoveryWait, DeviceThatIsNotLostReturnsAtOnce) {
    host::useVirtualClock(5000, 1);
    FakeGame& game = FakeGame::instance();
    int result = -1;
    game.onFrame = [&](int) {
        result = g_App.RecoverLostDevice();
        PostQuitMessage(0);
    };
    EXPECT_EQ(FakeGame::runProgram(), 1);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(host::sleptMilliseconds(), 0u);
    EXPECT_EQ(host::deviceFaults().resetCalls, 0);
}

TEST(RecoveryWait, OneWaitingMessageIsDispatchedPerTest) {
    host::useVirtualClock(5000, 1);
    FakeGame& game = FakeGame::instance();
    std::vector<unsigned long> dispatchedBeforeFrame;
    game.onInit = [] {
        for (int i = 0; i < 6; ++i) PostMessageA(g_hWnd, WM_USER + i, 0, 0);
    };
    game.onFrame = [&](int frame) {
        dispatchedBeforeFrame.push_back(host::dispatchedMessages());
        if (frame == 2) {
            host::deviceFaults().presentsUntilLost = 0;
            host::deviceFaults().cooperativeScript.assign(
                {D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET});
        }
        if (frame == 4) PostQuitMessage(0);
        ASSERT_LT(frame, 10);
    };
    EXPECT_EQ(FakeGame::runProgram(), 1);
    // Frame 2's loss is tested three times: the two tests after the first
    // each follow a second's sleep and one dispatched message. Then the loop
    // dispatches the message it peeked before that frame, as on every pass.
    EXPECT_EQ(dispatchedBeforeFrame, (std::vector<unsigned long>{0, 1, 4, 5}));
    EXPECT_EQ(host::sleptMilliseconds(), 2000u);
    EXPECT_EQ(host::deviceFaults().resetCalls, 1);
}

TEST(RecoveryQuit, QuitArrivingDuringTheWaitStillEndsTheProgram) {
    host::useVirtualClock(5000, 1);
    FakeGame& game = FakeGame::instance();
    game.onFrame = [](int frame) {
        if (frame == 2) {
            host::deviceFaults().presentsUntilLost = 0;
            host::deviceFaults().cooperativeScript.assign(50, D3DERR_DEVICELOST);
            PostQuitMessage(0);
        }
        ASSERT_LT(frame, 10);
    };
    EXPECT_EQ(FakeGame::runProgram(), 1);
    EXPECT_EQ(game.frames, 2);
    EXPECT_EQ(game.shutdownCalls, 1);
    EXPECT_EQ(host::sleptMilliseconds(), 1000u);
}

// Objects with default-pool resources let go of them before the reset and
// make them again after it; the reset is refused while one still lives.
struct FakeBufferOwner {
    std::vector<std::string>* log;
    bool holding = true;
};

TEST(RecoveryHooks, DefaultPoolObjectsAreReleasedBeforeTheResetAndRestoredAfter) {
    host::useVirtualClock(5000, 1);
    FakeGame& game = FakeGame::instance();
    std::vector<std::string> log;
    FakeBufferOwner owner{&log};
    game.onInit = [&] {
        RegisterDefaultPoolObject(
            &owner,
            [](void* p) {
                auto* o = static_cast<FakeBufferOwner*>(p);
                o->log->push_back("invalidate resets=" +
                                  std::to_string(host::deviceFaults().resetCalls));
            },
            [](void* p) {
                auto* o = static_cast<FakeBufferOwner*>(p);
                o->log->push_back("restore resets=" +
                                  std::to_string(host::deviceFaults().resetCalls));
            });
    };
    game.onFrame = [](int frame) {
        if (frame == 1) host::deviceFaults().presentsUntilLost = 0;
        if (frame == 2) PostQuitMessage(0);
    };
    EXPECT_EQ(FakeGame::runProgram(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"invalidate resets=0", "restore resets=1"}));
    UnregisterDefaultPoolObject(&owner);
}

TEST(RecoveryHooks, NoRecoveryForOtherPresentFailures) {
    // A Present that fails with anything but a lost device only loses that
    // frame: neither hook nor reset runs.
    host::useVirtualClock(5000, 1);
    FakeGame& game = FakeGame::instance();
    int invalidations = 0;
    game.onInit = [&] {
        RegisterDefaultPoolObject(&invalidations, [](void* p) { ++*static_cast<int*>(p); },
                                  nullptr);
    };
    game.onFrame = [](int frame) {
        if (frame == 1) host::deviceFaults().presentFailureOnce = D3DERR_INVALIDCALL;
        if (frame == 2) PostQuitMessage(0);
    };
    EXPECT_EQ(FakeGame::runProgram(), 1);
    EXPECT_EQ(invalidations, 0);
    EXPECT_EQ(host::deviceFaults().resetCalls, 0);
    UnregisterDefaultPoolObject(&invalidations);
}

}  // namespace
