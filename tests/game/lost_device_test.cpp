// The device lost at many points of a scripted game (the intro, the loading
// screen, ship select, play, the menu, the credits): the main loop recovers
// it every time, and the pictures from the next frame on are those of the
// same run without the loss. The virtual clock, the scripted input and the
// unseeded generator make the runs repeatable.
//
// Each run goes in a child process of its own, so that the game's globals
// start clean; the children report the pictures as one checksum a frame.
#include "game_session.h"

#include "GameGlobals.h"
#include "GraphicsApp.h"
#include "SoundBank.h"
#include "WinMain.h"
#include "host.h"
#include "host_input.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

uint64_t pictureChecksum() {
    uint64_t hash = 1469598103934665603ull;
    for (uint32_t pixel : host::readBackBuffer()) hash = (hash ^ pixel) * 1099511628211ull;
    return hash;
}

// Where a loss is injected: before start-up with `presents` pictures still
// shown (the intro shows one, the loading screen 13), or before main-loop
// pass `frame`.
struct Loss {
    const char* where;
    int presents;  // -1: not during start-up
    int frame;     // -1: not in the main loop
};

const int kFrames = 150;

// The scripted game, one checksum per main-loop pass; -1 for a refused start.
std::vector<uint64_t> playScript(const Loss* loss) {
    std::vector<uint64_t> sums;
    GameSession game;
    game.holdAudio();
    if (loss && loss->presents >= 0) host::deviceFaults().presentsUntilLost = loss->presents;
    if (game.start() == 0) return sums;
    for (int frame = 0; frame < kFrames; ++frame) {
        if (loss && loss->frame == frame) host::deviceFaults().presentsUntilLost = 0;
        switch (frame) {
        case 5: game.aimCursor(498, 395); break;  // at "ok" on the ship-select screen, clicked next
        case 6: host::pressMouseButton(0); break;
        case 7: host::releaseMouseButton(0); break;
        case 10: host::pressKey(DIK_UP); host::pressKey(DIK_LCONTROL); break;
        case 30: host::pressKey(DIK_LEFT); host::pressKey(DIK_SPACE); break;
        case 50: host::releaseKey(DIK_LEFT); host::releaseKey(DIK_SPACE);
                 host::releaseKey(DIK_UP); host::releaseKey(DIK_LCONTROL); break;
        case 60: host::pressKey(DIK_ESCAPE); break;   // to the main menu
        case 61: host::releaseKey(DIK_ESCAPE); break;
        case 75: host::pressKey(DIK_RETURN); break;   // "Continue"
        case 76: host::releaseKey(DIK_RETURN); break;
        case 90: g_nWave = 2; g_fWaveClock = 29.99f; break;  // the credits come
        default: break;
        }
        // Each pass from its own seed: the start-up seeds the generator from
        // the calendar time, so two runs would otherwise draw different
        // missile trails and burning-ship fires.
        srand(1000 + frame);
        game.frame();
        sums.push_back(pictureChecksum());
    }
    game.finish();
    return sums;
}

std::string sumsPath(const std::string& name) {
    return testenv::outputPath("lost_device_" + name + ".sums");
}

// Runs the script in a child; its checksums come back through a file.
pid_t startChild(const Loss* loss, const std::string& name) {
    const std::string path = sumsPath(name);
    std::filesystem::remove(path);
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(240);  // a watchdog against a hang, far beyond a normal run
        const std::vector<uint64_t> sums = playScript(loss);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(sums.data()),
                  static_cast<std::streamsize>(sums.size() * sizeof(uint64_t)));
        out.close();
        _exit(host::deviceFaults().resetCalls > 0 || !loss ? 0 : 3);
    }
    return pid;
}

std::vector<uint64_t> waitChild(pid_t pid, const std::string& name) {
    const std::string path = sumsPath(name);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << name << ": status " << status << " (3: the device was never reset)";
    std::vector<uint64_t> sums;
    std::ifstream in(path, std::ios::binary);
    uint64_t sum = 0;
    while (in.read(reinterpret_cast<char*>(&sum), sizeof sum)) sums.push_back(sum);
    return sums;
}

const Loss kLosses[] = {
    {"intro", 0, -1},       {"first_loading_frame", 1, -1}, {"mid_loading", 7, -1},
    {"last_loading_frame", 13, -1}, {"ship_select", -1, 2},  {"ship_select_click", -1, 6},
    {"play", -1, 12},       {"play_firing_missiles", -1, 35}, {"main_menu", -1, 66},
    {"back_in_play", -1, 80}, {"credits", -1, 100},          {"credits_late", -1, 140},
};

}  // namespace

TEST(LostDevice, RecoversAtEveryPointAndTheNextFramesMatchTheRunWithoutTheLoss) {
    const std::vector<uint64_t> reference = waitChild(startChild(nullptr, "reference"), "reference");
    ASSERT_EQ(reference.size(), static_cast<size_t>(kFrames));
    std::vector<pid_t> children;
    for (const Loss& loss : kLosses) children.push_back(startChild(&loss, loss.where));
    for (size_t i = 0; i < std::size(kLosses); ++i) {
        const Loss& loss = kLosses[i];
        SCOPED_TRACE(loss.where);
        const std::vector<uint64_t> sums = waitChild(children[i], loss.where);
        if (sums.size() != static_cast<size_t>(kFrames)) {
            ADD_FAILURE() << "the run stopped short";
            continue;
        }
        // Start-up frames do not watch for the loss: the first main-loop pass
        // finds it and recovers, and its own picture is not shown.
        const int lostPass = loss.frame >= 0 ? loss.frame : 0;
        for (int frame = lostPass + 1; frame < kFrames; ++frame) {
            EXPECT_EQ(sums[frame], reference[frame]) << "pass " << frame;
            if (sums[frame] != reference[frame]) break;
        }
    }
}

// The window closed while the recovery waits for a device that stays lost:
// the program leaves through its shut-down, from the real entry point.
TEST(LostDevice, AQuitWhileWaitingForTheDeviceEndsTheProgramWithItsShutDown) {
    const std::string previous = std::filesystem::current_path().string();
    std::filesystem::current_path(testenv::runDir());
    host::useVirtualClock(0, 1);
    platform::DeviceFaults& faults = host::deviceFaults();
    const int startUpPresents = 1 + 13;
    bool closed = false;
    faults.afterPresent = [&](int presents) {
        if (presents == startUpPresents) host::releaseKey(DIK_ESCAPE);
        if (presents == startUpPresents + 20 && !closed) {
            closed = true;
            host::deviceFaults().presentsUntilLost = 0;
            for (int i = 0; i < 10; ++i)
                host::deviceFaults().cooperativeScript.push_back(D3DERR_DEVICELOST);
            // The main loop takes one message a pass: the first is its, the
            // close is found by the recovery's wait.
            PostMessageA(g_hWnd, WM_NULL, 0, 0);
            host::requestWindowClose();
        }
    };
    host::pressKey(DIK_ESCAPE);  // one intro frame
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 0);
    faults.afterPresent = nullptr;
    std::filesystem::current_path(previous);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(closed);
    EXPECT_EQ(faults.resetCalls, 0) << "the device never came back";
    EXPECT_FALSE(faults.cooperativeScript.empty()) << "it stopped waiting when the window closed";
    EXPECT_EQ(g_App.m_pDevice, nullptr) << "the shut-down let go of the device";
    EXPECT_EQ(host::liveDirectInputObjects(), 0);
    EXPECT_EQ(g_pDirectSound, nullptr);
}
