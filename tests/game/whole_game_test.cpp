// The whole game run in-process, headless, on the virtual clock with scripted
// keys and mouse: start-up, the screens, play and quitting.
#include "game_session.h"
#include "game_probes.h"

#include "BlasterList.h"
#include "Camera.h"
#include "ExplosionList.h"
#include "FloatingTextList.h"
#include "GameGlobals.h"
#include "Hud.h"
#include "Input.h"
#include "LightList.h"
#include "Menu.h"
#include "MissileList.h"
#include "ParticleSystem.h"
#include "PlayerShip.h"
#include "PowerUpList.h"
#include "RockField.h"
#include "ShipList.h"
#include "SoundBank.h"
#include "StarField.h"
#include "TextureFont.h"
#include "TextureRenderer.h"
#include "host.h"
#include "host_input.h"
#include "test_env.h"
#include "text_trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

// A live bonus text at the place where they all start (x 350, rising from y 300).
bool hasBonusText(const char* text) {
    for (int i = 0; i < g_BonusText.m_nCount; ++i) {
        const SFloatingText& t = g_BonusText.m_pTexts[i];
        if (t.m_nLife > 0 && std::strcmp(t.m_szText, text) == 0 && t.m_fX == 350.0f &&
            t.m_fY < 300.0f && t.m_fY > 290.0f)
            return true;
    }
    return false;
}

// One rock on the field, `distance` units ahead of the ship on its course.
int rockAhead(float distance, float scale, int hitPoints) {
    g_Rocks.Clear();
    const float course = (g_Ship.m_fHeading - 90.0f) * 3.1415927f / 180.0f;
    g_Rocks.Add(g_Ship.m_fX + std::cos(course) * distance, g_Ship.m_fY + std::sin(course) * distance,
                250.0f, scale, scale, scale, 0.0f, 0.0f, hitPoints);
    return 0;
}

struct Pixels {
    std::vector<uint32_t> frame = host::readBackBuffer();
    uint32_t at(int x, int y) const { return frame[static_cast<size_t>(y) * 800 + x]; }
    // Pixels in the box for which `test` holds.
    template <typename Test>
    int count(int x0, int y0, int x1, int y1, Test test) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += test(at(x, y)) ? 1 : 0;
        return n;
    }
};

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

int red(uint32_t p) { return (p >> 16) & 0xFF; }
int green(uint32_t p) { return (p >> 8) & 0xFF; }
int blue(uint32_t p) { return p & 0xFF; }

const std::string kDemo = textLine("DEMO", 670, 568, 1, 1, 1, 1);

bool lightOn(int index) {
    BOOL on = FALSE;
    g_App.m_pDevice->GetLightEnable(index, &on);
    return on != FALSE;
}

}  // namespace

TEST(WholeGame, StartsUpThroughTheIntroAndThirteenLoadingFramesToTheShipSelectScreen) {
    GameSession game;
    std::vector<DWORD> presentTimes;
    // For each picture shown, the fewest lit pixels in any quarter of the screen.
    std::vector<int> litInEveryQuarter;
    host::deviceFaults().afterPresent = [&](int) {
        presentTimes.push_back(host::clockNow());
        if (presentTimes.size() == 8) game.screenshot("loading_screen");
        Pixels shown;
        auto lit = [](uint32_t p) { return red(p) + green(p) + blue(p) > 90; };
        int fewest = 800 * 600;
        for (int qx : {0, 400})
            for (int qy : {0, 300}) fewest = std::min(fewest, shown.count(qx, qy, qx + 400, qy + 300, lit));
        litInEveryQuarter.push_back(fewest);
    };
    ASSERT_EQ(game.start(/*skipIntro=*/false), 1);
    const DWORD returned = host::clockNow();

    // The six sounds, in order, in the first six slots.
    const int slots[] = {g_nSndNewText, g_nSndExplosion, g_nSndBlaster,
                         g_nSndMusic1,  g_nSndMusic2,    g_nSndEcho};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(slots[i], i);
    // The clip played to its end: some intro frames, then exactly 13 loading frames.
    ASSERT_GT(presentTimes.size(), 13u);
    const size_t introFrames = presentTimes.size() - 13;
    EXPECT_GE(introFrames, 1u);
    // The clip fills the whole screen once it has faded in.
    EXPECT_GT(*std::max_element(litInEveryQuarter.begin(), litInEveryQuarter.begin() + introFrames), 5000);
    EXPECT_GE(returned - presentTimes.back(), 2000u) << "the last loading frame stays two seconds";
    EXPECT_EQ(g_nGameState, GS_SHIPSELECT);

    // The echo and the first music track play at volume 70; the second track as loaded.
    auto volume = [](int slot) {
        LONG value = 1;
        g_Sounds[slot].m_pBuffer->GetVolume(&value);
        return value;
    };
    EXPECT_LT(volume(g_nSndEcho), 0);
    EXPECT_EQ(volume(g_nSndMusic1), volume(g_nSndEcho));
    EXPECT_EQ(volume(g_nSndMusic2), 0);

    // The intro's picture showed only the clip's part of the larger texture, upside down.
    ASSERT_GT(g_IntroVideo.m_nTexWidth, 0u);
    BYTE* data = nullptr;
    ASSERT_TRUE(SUCCEEDED(g_IntroSprite.m_pVertexBuffer->Lock(0, 0, &data, 0)));
    const SScreenVertex* quad = reinterpret_cast<const SScreenVertex*>(data);
    EXPECT_FLOAT_EQ(quad[3].tu, 320.0f / static_cast<float>(g_IntroVideo.m_nTexWidth));
    EXPECT_FLOAT_EQ(quad[3].tv, 240.0f / static_cast<float>(g_IntroVideo.m_nTexHeight));
    EXPECT_EQ(quad[0].tv, 0.0f) << "the bottom left corner shows the texture's first row";
    g_IntroSprite.m_pVertexBuffer->Unlock();

    EXPECT_EQ(ShowCursor(TRUE), 0) << "the start-up hid the system's cursor, once";
    ShowCursor(FALSE);

    game.frames(2);
    EXPECT_EQ(g_Menu.m_pPreview, g_ShipList.GetAt(0));
    EXPECT_EQ(g_Ship.m_pModel, g_ShipList.GetAt(0));
    game.screenshot("ship_select");
}

// After loading step k the loading frame shows k squares in its row, and
// what the first k steps load is there while the rest is not yet.
TEST(WholeGame, EachLoadingFrameShowsTheStepsDoneAndWhatTheyLoaded) {
    GameSession game;
    auto volume = [](int slot) {
        LONG value = 1;
        g_Sounds[slot].m_pBuffer->GetVolume(&value);
        return value;
    };
    const std::vector<std::function<bool()>> loaded = {
        [] { return g_Particles.m_pParticles != nullptr && g_Particles.m_pVertexBuffer != nullptr; },
        [] { return g_Blaster.m_Mesh.m_pMesh[0] != nullptr; },
        [] {
            return g_ShipList.m_nCount > 0 && g_ShipList.m_pHead->m_pMesh[0] != nullptr &&
                   g_Ship.m_pModel == g_ShipList.m_pHead && g_Ship.m_Shield.m_pMesh[0] != nullptr;
        },
        [] { return g_Missiles.m_Mesh.m_pMesh[0] != nullptr; },
        [] { return g_FontSmall.m_pTexture != nullptr && g_FontLarge.m_pTexture != nullptr; },
        [] { return g_Menu.m_pDevice != nullptr && g_Menu.m_Font.m_pTexture != nullptr; },
        [] { return g_BonusText.m_Font.m_pTexture != nullptr && g_CreditsText.m_Font.m_pTexture != nullptr; },
        [] { return g_Explosions.m_Sprite.m_pTexture != nullptr; },
        [] { return g_Stars.m_Sprite.m_pTexture != nullptr && g_Stars.m_pStars[149].m_bActive != 0; },
        [] { return g_Lights.m_pDevice != nullptr && g_Lights.m_pLights[1].Range == 50.0f; },
        [] { return g_Rocks.m_Mesh.m_pMesh[0] != nullptr && liveRocks() == 100; },
        [] { return g_Planet.m_pMesh[0] != nullptr && g_Planet.m_fZ == 350.0f && g_PowerUps.m_Mesh.m_pMesh[0] != nullptr; },
        [&] { return volume(g_nSndMusic1) == volume(g_nSndEcho); },
    };
    int frames = 0;
    host::deviceFaults().afterPresent = [&](int presents) {
        const int step = presents - 1;  // after the one intro frame
        if (step < 1) return;
        ++frames;
        const std::vector<uint32_t> picture = host::readBackBuffer();
        for (int i = 0; i < 13; ++i) {
            const uint32_t p = picture[428 * 800 + 280 + 19 * i];
            const bool square = green(p) + blue(p) > 200;
            EXPECT_EQ(square, i < step) << "loading frame " << step << ", square " << i + 1;
            EXPECT_EQ(loaded[i](), i < step) << "loading frame " << step << ", step " << i + 1;
        }
    };
    ASSERT_EQ(game.start(), 1);
    EXPECT_EQ(frames, 13);
}

TEST(WholeGame, EscapeHeldAtTheStartShowsOneIntroFrameAndTheLastLoadingFrameTwoSeconds) {
    GameSession game;
    game.holdAudio();
    int presents = 0;
    DWORD lastShown = 0;
    host::deviceFaults().afterPresent = [&](int) {
        // However long the loading took, the two seconds count from its last frame.
        if (++presents == 1 + 13) host::advanceClock(10000);
        lastShown = host::clockNow();
    };
    const time_t before = time(nullptr);
    ASSERT_EQ(game.start(/*skipIntro=*/true), 1);
    const time_t after = time(nullptr);
    EXPECT_EQ(presents, 1 + 13);
    EXPECT_NE(GetSoundStatus(g_nSndEcho), 0) << "the echo started over the intro";
    OAFilterState state = -1;
    ASSERT_NE(g_IntroVideo.m_pMC, nullptr);
    g_IntroVideo.m_pMC->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped) << "the clip left halfway is stopped";
    EXPECT_GE(host::clockNow() - lastShown, 2000u);
    EXPECT_LT(host::clockNow() - lastShown, 2100u);

    // Seeded from the calendar time once the loading is done: the next draw
    // is the first of one of the seconds the start-up ran in.
    const int next = rand();
    bool seeded = false;
    for (time_t t = before; t <= after && !seeded; ++t) {
        srand(static_cast<unsigned>(t));
        seeded = rand() == next;
    }
    EXPECT_TRUE(seeded);
}

TEST(WholeGame, AnIntroGraphThatGivesUpEndsTheIntro) {
    GameSession game;
    int presents = 0;
    host::deviceFaults().afterPresent = [&](int) {
        if (++presents != 2) return;
        IMediaEventSink* sink = nullptr;
        g_IntroVideo.m_pGB->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink));
        ASSERT_NE(sink, nullptr);
        sink->Notify(EC_ERRORABORT, E_FAIL, 0);
        sink->Release();
    };
    ASSERT_EQ(game.start(/*skipIntro=*/false), 1);
    // The graph queues a few events of its own ahead of the abort at most.
    EXPECT_LE(presents, 2 + 4 + 13);
    EXPECT_EQ(g_nGameState, GS_SHIPSELECT);
}

// Each case is a program run of its own: the close request posted before the
// first intro frame, or after the second one.
class IntroClose : public testing::TestWithParam<int> {};

TEST_P(IntroClose, ARequestToCloseTheWindowEndsTheIntroAndWaitsForTheMainLoop) {
    const int postedAfter = GetParam();
    GameSession game;
    int presents = 0;
    auto askToClose = [] { PostMessageA(g_hWnd, WM_CLOSE, 0, 0); };
    host::deviceFaults().afterPresent = [&](int) {
        if (++presents == postedAfter) askToClose();
    };
    if (postedAfter == 0) askToClose();
    ASSERT_EQ(game.start(/*skipIntro=*/false), 1);
    EXPECT_EQ(presents, postedAfter + 13) << "intro frames drawn before the request, then loading";
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_CLOSE, WM_CLOSE, PM_NOREMOVE)) << "still queued";
}

INSTANTIATE_TEST_SUITE_P(WholeGame, IntroClose, testing::Values(0, 2));

TEST(WholeGame, AMissingIntroVideoEndsTheStartUpWithNothingLoaded) {
    GameSession game(runDirWithout("no_video", {"video/intro.avi"}));
    int presents = 0;
    host::deviceFaults().afterPresent = [&](int) { ++presents; };
    testing::internal::CaptureStderr();
    EXPECT_EQ(game.start(), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("intro.avi: cannot open the file"), std::string::npos) << said;
    EXPECT_NE(said.find("start-up stopped"), std::string::npos) << said;
    EXPECT_EQ(presents, 0);
    EXPECT_EQ(g_nSndNewText, -1) << "no sound is loaded before the clip is open";
    EXPECT_EQ(g_App.m_pDevice, nullptr) << "a failed start-up lets go of its device";
    EXPECT_EQ(host::liveDirectInputObjects(), 0);
    EXPECT_EQ(g_pDirectSound, nullptr) << "and of its sound device";
}

TEST(WholeGame, WithoutAFullScreenDeviceTheStartUpSaysSoAndStops) {
    GameSession game;
    host::deviceFaults().failCreationWithFlags =
        D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    testing::internal::CaptureStderr();
    EXPECT_EQ(game.start(), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("no full-screen 800x600 device could be made"), std::string::npos) << said;
    EXPECT_EQ(host::deviceFaults().presentCalls, 0);
    EXPECT_EQ(g_pDirectSound, nullptr) << "nothing after the device was started";
    host::deviceFaults().failCreationWithFlags = 0;
}

TEST(WholeGame, EveryMissingFileIsNamedOnceWithItsReasonAndTheGameRunsOn) {
    GameSession game(runDirWithout("missing_files", {"SOUND/exp1.WAV", "media/default.msl",
                                                      "media/loadscreen.bmp", "media/kelvane1.x"}));
    testing::internal::CaptureStderr();
    ASSERT_EQ(game.start(), 1);
    game.frames(3);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(said, "exp1.WAV: cannot open the file"), 1u) << said;
    EXPECT_EQ(occurrences(said, "default.msl: No such file"), 1u) << said;
    EXPECT_EQ(occurrences(said, "loadscreen.bmp: cannot open"), 1u) << said << "(asked for twice)";
    EXPECT_EQ(occurrences(said, "kelvane1.x:"), 1u) << said;
    // The sound loading stops at the first file that fails: the ones after it are not tried.
    EXPECT_EQ(g_nSndNewText, 0);
    for (int slot : {g_nSndExplosion, g_nSndBlaster, g_nSndMusic1, g_nSndMusic2, g_nSndEcho})
        EXPECT_EQ(slot, -1);
    EXPECT_EQ(occurrences(said, "love.WAV"), 0u) << said;
    EXPECT_EQ(g_ShipList.m_nCount, 0);
    EXPECT_EQ(g_nGameState, GS_SHIPSELECT);
}

TEST(WholeGame, TheFirstWaveAndStarFieldComeFromTheUnseededGenerator) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    EXPECT_EQ(liveRocks(), 100);

    // The generator's state before any seeding is that of seed 1: the same
    // draws give the same field and wave in every run.
    srand(1);
    CStarField stars(150);
    stars.Load(g_App.m_pDevice, &g_Camera);
    CPlayerShip ship;
    CRockField rocks(1000);
    rocks.SpawnWave(&ship, 100.0f);
    for (int i = 0; i < 150; ++i) {
        EXPECT_EQ(g_Stars.m_pStars[i].m_fX, stars.m_pStars[i].m_fX) << "star " << i;
        EXPECT_EQ(g_Stars.m_pStars[i].m_fY, stars.m_pStars[i].m_fY) << "star " << i;
        EXPECT_EQ(g_Stars.m_pStars[i].m_nFrame, stars.m_pStars[i].m_nFrame) << "star " << i;
    }
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(g_Rocks.m_pRocks[i].m_fX, rocks.m_pRocks[i].m_fX) << "rock " << i;
        EXPECT_EQ(g_Rocks.m_pRocks[i].m_fY, rocks.m_pRocks[i].m_fY) << "rock " << i;
        EXPECT_EQ(g_Rocks.m_pRocks[i].m_fScaleX, rocks.m_pRocks[i].m_fScaleX) << "rock " << i;
        EXPECT_EQ(g_Rocks.m_pRocks[i].m_nHitPoints, rocks.m_pRocks[i].m_nHitPoints) << "rock " << i;
    }
}

TEST(WholeGame, TheBlasterDestroysARockWithScoreFragmentsAndTheExplosionSound) {
    GameSession game;
    game.holdAudio();
    ASSERT_EQ(game.start(), 1);
    startPlaying(game);
    rockAhead(30.0f, 0.32f, 1);
    const int score = g_Ship.m_nScore;
    game.press(DIK_LCONTROL);
    const bool destroyed = game.framesUntil([&] { return g_Ship.m_nScore > score; }, 30);
    // The mixer is not pumped: a sound started stays playing.
    const int status = GetSoundStatus(g_nSndExplosion);
    game.release(DIK_LCONTROL);
    ASSERT_TRUE(destroyed);
    const float f = (0.32f + 0.32f + 0.32f) / 3.0f;
    EXPECT_EQ(g_Ship.m_nScore, static_cast<int>(score + 25.0 * f)) << "7: f lies just below 0.32";
    EXPECT_EQ(liveRocks(), 4) << "a large rock splits in four";
    EXPECT_NE(status, 0) << "the explosion sound was started";
    game.screenshot("play");
}

TEST(WholeGame, AMissilePairBlastsEveryRockNearTheOneItHits) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    startPlaying(game);
    // The pair swings onto the course about 24 units to either side of it:
    // a wide rock ahead is hit, one beside it is in the blast, one far off is not.
    rockAhead(40.0f, 0.5f, 60);
    const SRock target = g_Rocks.m_pRocks[0];
    g_Rocks.Add(target.m_fX + 30.0f, target.m_fY, 250.0f, 0.2f, 0.2f, 0.2f, 0, 0, 40);
    g_Rocks.Add(target.m_fX + 100.0f, target.m_fY, 250.0f, 0.2f, 0.2f, 0.2f, 0, 0, 40);
    const int missiles = g_Ship.m_nMissiles;
    game.press(DIK_SPACE);
    ASSERT_TRUE(game.framesUntil([&] { return g_Ship.m_nMissiles < missiles; }, 30));
    game.release(DIK_SPACE);
    EXPECT_EQ(g_Ship.m_nMissiles, missiles - 2);
    ASSERT_TRUE(game.framesUntil([] { return g_Rocks.m_pRocks[0].m_nHitPoints == 0; }, 60));
    EXPECT_EQ(g_Rocks.m_pRocks[1].m_nHitPoints, 0) << "30 units from the hit: inside the blast";
    EXPECT_GT(g_Rocks.m_pRocks[2].m_nHitPoints, 0) << "100 units away: outside the blast";
}

TEST(WholeGame, APowerUpPickedUpGivesItsBonusAndRisingText) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    startPlaying(game);
    g_Rocks.Clear();
    const int shields = g_Ship.m_nShields;
    g_PowerUps.Spawn(g_Ship.m_fX + 5.0f, g_Ship.m_fY, 250.0f, POWERUP_SHIELD);
    game.frames(2);
    EXPECT_EQ(g_Ship.m_nShields, shields + 20);
    EXPECT_TRUE(hasBonusText("Shield BONUS"));
}

TEST(WholeGame, TheDestroyedShipBurnsThenTheMainMenuComesAndContinueIsRefused) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    startPlaying(game);
    g_Rocks.Clear();
    g_Ship.m_nShields = -1;  // the first destruction of a fresh game
    game.frames(165);
    EXPECT_EQ(g_nGameState, GS_PLAYING);
    game.frame();
    EXPECT_EQ(g_nGameState, GS_MAINMENU) << "on the frame the death counter passes 165";
    EXPECT_EQ(g_nDeathCounter, 0) << "counted afresh for the next destruction";
    game.screenshot("main_menu");

    // "Continue" is the first item: RETURN chooses it, and the menu stays.
    game.frames(6);
    game.tap(DIK_RETURN);
    EXPECT_EQ(g_nGameState, GS_MAINMENU);
}

TEST(WholeGame, AShipWithNoShieldsLeftStillFliesAndMayContinue) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    startPlaying(game);
    g_Rocks.Clear();
    g_Ship.m_nShields = 0;
    game.frames(3);
    EXPECT_EQ(liveExplosions(), 0) << "only shields below 0 set the ship burning";
    game.tap(DIK_ESCAPE);
    ASSERT_EQ(g_nGameState, GS_MAINMENU);
    game.frames(6);
    game.tap(DIK_RETURN);
    EXPECT_EQ(g_nGameState, GS_PLAYING) << "\"Continue\" takes it back to play";
}

TEST(WholeGame, NewGameResetsTheRoundAndKeepsTheRest) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    startPlaying(game);
    game.tap(DIK_EQUALS);  // the camera distance is kept across a new game
    const float cameraZ = g_fCameraZ;
    g_Ship.m_nScore = 42;
    g_Ship.m_fX = 100.0f;
    g_nWave = 2;
    g_fWaveClock = 12.5f;
    g_Rocks.Clear();
    g_Rocks.Add(300, 300, 250, 0.2f, 0.2f, 0.2f, 0, 0, 40);  // a rock of the old round
    g_Blaster.Fire(0, 0, 250, 0, 3, 120, 2);
    g_Missiles.Fire(0, 0, 250, 0, 270, 2.5f, 120, 100);
    g_PowerUps.Spawn(300, 300, 250, POWERUP_MISSILE);
    game.tap(DIK_ESCAPE);
    ASSERT_EQ(g_nGameState, GS_MAINMENU);
    game.frames(6);
    game.tap(DIK_DOWN);  // "New Game"
    game.frames(6);
    game.press(DIK_RETURN);
    game.frame();
    game.release(DIK_RETURN);
    EXPECT_EQ(g_nGameState, GS_SHIPSELECT);
    EXPECT_EQ(g_nWave, 1);
    EXPECT_EQ(g_fWaveClock, 0.0f);
    EXPECT_EQ(liveMissiles(), 0);
    EXPECT_EQ(livePowerUps(), 0);
    EXPECT_EQ(g_Ship.m_nScore, 0);
    EXPECT_EQ(g_Ship.m_fX, 0.0f);
    EXPECT_EQ(g_Ship.m_nShields, 100);
    EXPECT_EQ(liveRocks(), 100);
    EXPECT_EQ(liveShots(), 0);
    EXPECT_EQ(g_fCameraZ, cameraZ);

    // The stars stay where they are on the screen: the camera's jump from the
    // ship's old place back to the start moves none of them.
    std::vector<SStar> stars(g_Stars.m_pStars, g_Stars.m_pStars + g_Stars.m_nCount);
    game.frame();
    for (int i = 0; i < g_Stars.m_nCount; ++i) {
        EXPECT_EQ(g_Stars.m_pStars[i].m_fX, stars[i].m_fX) << "star " << i;
        EXPECT_EQ(g_Stars.m_pStars[i].m_fY, stars[i].m_fY) << "star " << i;
    }
}

TEST(WholeGame, TheWaveClockRunsOnlyInPlayAndTheThirdWaveBringsTheCredits) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    game.frames(20);
    EXPECT_EQ(g_fWaveClock, 0.0f) << "not on the ship-select screen";
    startPlaying(game);
    EXPECT_EQ(g_nWave, 1) << "a fresh game starts in the first wave";
    g_Rocks.Clear();
    const float before = g_fWaveClock;
    game.frame();
    EXPECT_GE(g_fWaveClock - before, 0.030f) << "a playing frame lasts at least 30 ms";
    // and no longer: the virtual clock moves 1 ms at each reading, and the
    // frame reads it twice after its wait has ended.
    EXPECT_LE(g_fWaveClock - before, 0.032f);
    game.tap(DIK_ESCAPE);
    const float paused = g_fWaveClock;
    game.frames(10);
    EXPECT_EQ(g_fWaveClock, paused) << "not in the main menu";
    g_fWaveClock = g_fWaveTime;
    game.frame();
    EXPECT_EQ(g_nWave, 1) << "a wave ends only once its time is past, not when it is up";
    g_fWaveClock = paused;

    // Back to play, then through the end of the second wave.
    game.frames(6);
    game.tap(DIK_RETURN);
    ASSERT_EQ(g_nGameState, GS_PLAYING);
    g_nWave = 2;
    g_fWaveClock = 29.99f;
    game.frame();
    EXPECT_EQ(g_nWave, 3);
    EXPECT_EQ(g_fWaveClock, 0.0f) << "a new wave starts its clock from 0";
    game.frame();
    ASSERT_EQ(g_nGameState, GS_CREDITS);
    EXPECT_EQ(g_fWaveClock, 0.0f);

    // The lines come on credits frames 1, 31, 61 and 91, each 30 pixels below the last.
    game.frames(95);
    game.screenshot("credits");
    std::vector<float> lines;
    for (int i = 0; i < g_CreditsText.m_nCount; ++i)
        if (g_CreditsText.m_pTexts[i].m_nLife > 0) lines.push_back(g_CreditsText.m_pTexts[i].m_fY);
    ASSERT_EQ(lines.size(), 4u);
    for (size_t i = 1; i < lines.size(); ++i) EXPECT_FLOAT_EQ(lines[i] - lines[i - 1], 30.0f);
    const float clock = g_fWaveClock;
    g_nCreditsCounter = 999;
    game.frames(2);
    EXPECT_EQ(g_nGameState, GS_MAINMENU) << "after 1000 credits frames";
    EXPECT_EQ(g_nWave, 1);
    EXPECT_EQ(g_nCreditsCounter, 0) << "ready for the next credits";
    EXPECT_EQ(g_bCreditsStarted, 0) << "the new game set the credits up afresh";
    EXPECT_EQ(clock, 0.0f) << "the clock stood still in the credits";
}

TEST(WholeGame, ExitQuitsAndTheShutDownLetsGoOfEverything) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    startPlaying(game);
    game.tap(DIK_ESCAPE);
    game.frames(6);
    game.tap(DIK_DOWN);
    game.frames(6);
    game.tap(DIK_DOWN);
    game.frames(6);
    game.press(DIK_RETURN);
    game.frame();
    EXPECT_EQ(g_nGameState, GS_QUIT);
    EXPECT_TRUE(game.quitPosted());
    game.finish();
    EXPECT_EQ(g_App.m_pDevice, nullptr);
    EXPECT_EQ(g_Particles.m_pParticles, nullptr);
    EXPECT_EQ(g_Particles.m_pVertexBuffer, nullptr);
    EXPECT_EQ(g_FontSmall.m_pTexture, nullptr);
    EXPECT_EQ(host::liveDirectInputObjects(), 0);
    EXPECT_EQ(g_pDirectSound, nullptr);
}

TEST(WholeGame, TheTwoMusicTracksTakeTurns) {
    GameSession game;
    game.holdAudio();
    ASSERT_EQ(game.start(), 1);
    game.frame();
    EXPECT_NE(GetSoundStatus(g_nSndMusic2), 0) << "the first track started is the second file";
    EXPECT_EQ(GetSoundStatus(g_nSndMusic1), 0);
    StopSound(g_nSndMusic2);
    game.frame();
    EXPECT_NE(GetSoundStatus(g_nSndMusic1), 0);
    EXPECT_EQ(g_nMusicTrack, 0);
    game.frame();
    EXPECT_EQ(GetSoundStatus(g_nSndMusic2), 0) << "nothing starts while a track plays";
}

TEST(WholeGame, AMusicTrackThatFailedToLoadDoesNotSilenceTheOther) {
    GameSession game;
    game.holdAudio();
    ASSERT_EQ(game.start(), 1);
    ReleaseSound(g_nSndMusic2);
    g_nSndMusic2 = -1;
    StopSound(g_nSndMusic1);
    game.frames(2);
    EXPECT_NE(GetSoundStatus(g_nSndMusic1), 0);
}

TEST(WholeGame, TheHeadsUpDisplayAndTheDemoMarkShowWhereTheyBelong) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    game.frame();
    Pixels select;
    auto white = [](uint32_t p) { return red(p) > 200 && green(p) > 200 && blue(p) > 200; };
    auto bluish = [](uint32_t p) { return blue(p) > 60 && blue(p) > 2 * red(p) + 20 && blue(p) > 2 * green(p) + 20; };
    EXPECT_GT(select.count(670, 568, 800, 600, white), 20) << "DEMO on the ship-select screen";
    EXPECT_EQ(select.count(0, 585, 120, 600, bluish), 0) << "no heads-up display there";

    startPlaying(game);
    g_Rocks.Clear();
    g_Ship.m_nShields = -5;
    game.frame();
    Pixels play;
    EXPECT_GT(play.count(0, 585, 120, 600, bluish), 10) << "the shields in blue at the bottom left";
    EXPECT_GT(play.count(670, 568, 800, 600, white), 20);
}

TEST(WholeGame, EachScreenDrawsItsOwnTextsInPlaceAndColour) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    TextTrace trace;
    game.frame();
    EXPECT_TRUE(described(trace, &g_FontSmall).empty()) << "no heads-up display on ship select";
    EXPECT_EQ(described(trace, &g_FontLarge), std::vector<std::string>{kDemo});

    // The frame on which "ok" is clicked already shows the display and counts time.
    game.pointAt(498, 395);
    host::pressMouseButton(0);
    game.frame();
    host::releaseMouseButton(0);
    trace.clear();
    game.frame();
    ASSERT_EQ(g_nGameState, GS_PLAYING);
    EXPECT_EQ(described(trace, &g_FontSmall).size(), 5u);
    EXPECT_GT(g_fWaveClock, 0.0f);

    g_Rocks.Clear();
    g_Ship.m_nShields = -5;
    g_Ship.m_nMissiles = 7;
    g_Ship.m_nScore = 123;
    g_nWave = 2;
    const struct {
        float clock;
        const char* countdown;
    } clocks[] = {{0.0f, "Next Wave 30"}, {0.01f, "Next Wave 29"}, {29.5f, "Next Wave 0"}};
    for (const auto& c : clocks) {
        g_fWaveClock = c.clock;
        trace.clear();
        game.frame();
        const std::vector<std::string> hud = {
            textLine("Shields: -5", 0, 585, 0, 0, 1, 0.5f),  textLine("Missles: 7", 0, 570, 1, 0, 1, 0.5f),
            textLine("SCORE: 123", 350, 0, 1, 0, 1, 0.5f),   textLine("WAVE 2", 360, 584, 1, 0, 1, 0.5f),
            textLine(c.countdown, 0, 0, 1, 1, 1, 1),
        };
        EXPECT_EQ(described(trace, &g_FontSmall), hud) << "clock " << c.clock;
        EXPECT_EQ(described(trace, &g_FontLarge), std::vector<std::string>{kDemo});
    }
    g_Ship.m_nShields = 100;

    // ESC: the rest of play still runs (the ship moves), the menu and the
    // display over it come in the same frame, and that frame's time is not counted.
    g_Ship.m_fVelX = 1.0f;
    const float x = g_Ship.m_fX;
    const float clock = g_fWaveClock;
    game.press(DIK_ESCAPE);
    trace.clear();
    game.frame();
    game.release(DIK_ESCAPE);
    EXPECT_EQ(g_nGameState, GS_MAINMENU);
    EXPECT_GT(g_Ship.m_fX, x);
    EXPECT_EQ(g_fWaveClock, clock);
    const std::vector<DrawnText>& drawn = trace.all();
    ASSERT_EQ(described(trace, &g_FontSmall).size(), 5u);
    ASSERT_FALSE(trace.with(&g_Menu.m_Font).empty());
    EXPECT_EQ(drawn[drawn.size() - 7].font, &g_Menu.m_Font) << "the display is drawn over the menu";
    EXPECT_EQ(drawn[drawn.size() - 6].font, &g_FontSmall);
    EXPECT_EQ(drawn.back().text, "DEMO");

    // The credits: no display, the title line at once, "DEMO" still.
    game.frames(6);
    game.tap(DIK_RETURN);
    ASSERT_EQ(g_nGameState, GS_PLAYING);
    g_nWave = 3;
    g_fWaveClock = 12.0f;
    trace.clear();
    game.frame();
    ASSERT_EQ(g_nGameState, GS_CREDITS);
    EXPECT_EQ(g_fWaveClock, 0.0f) << "the credits clear the clock";
    EXPECT_TRUE(described(trace, &g_FontSmall).empty());
    EXPECT_EQ(described(trace, &g_FontLarge), std::vector<std::string>{kDemo});
    EXPECT_EQ(described(trace, &g_CreditsText.m_Font),
              std::vector<std::string>{textLine("- CREDITS - ", 0, 619, 1, 1, 1, 0.5f)});
    const struct {
        int counter;
        const char* line;
    } lines[] = {{30, nullptr}, {31, "Art: Tamberlin "}, {61, "Programming: Tamberlin "},
                 {91, "SoundFX & Music: Tamberlin "}};
    for (const auto& l : lines) {
        g_nCreditsCounter = l.counter - 1;
        trace.clear();
        game.frame();
        const std::vector<DrawnText> drawn = trace.with(&g_CreditsText.m_Font);
        ASSERT_FALSE(drawn.empty());
        const DrawnText& newest = drawn.back();
        if (l.line) {
            EXPECT_EQ(newest.text, l.line) << "counter " << l.counter;
            EXPECT_EQ(newest.y, 619.0f);
        } else {
            EXPECT_LT(newest.y, 619.0f) << "no line added at counter " << l.counter;
        }
    }
}

TEST(WholeGame, HeldFireKeysKeepTheirCadenceAndTheShipLight) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    startPlaying(game);
    g_Rocks.Clear();
    g_Ship.m_nFireDelay = 8;
    g_Ship.m_nMissileDelay = 20;
    game.frames(25);
    EXPECT_EQ(g_Ship.m_nFireCounter, 9) << "the counter stops one past the delay";
    EXPECT_EQ(g_Ship.m_nMissileCounter, 21);
    EXPECT_FALSE(lightOn(1));

    // Both CTRL keys held fire no faster than one: a shot every 9 frames.
    game.press(DIK_LCONTROL);
    game.press(DIK_RCONTROL);
    std::vector<int> shotFrames;
    for (int i = 0; i < 30; ++i) {
        const int shots = liveShots();
        game.frame();
        if (liveShots() > shots) shotFrames.push_back(i);
        EXPECT_EQ(liveShots() - shots, i % 9 == 0 ? 1 : 0) << "frame " << i;
        EXPECT_TRUE(lightOn(1)) << "on while a CTRL key is held, frame " << i;
    }
    EXPECT_EQ(shotFrames, (std::vector<int>{0, 9, 18, 27}));
    const D3DLIGHT8& light = g_Lights.m_pLights[1];
    EXPECT_EQ(light.Range, 75.0f);
    EXPECT_EQ(light.Type, D3DLIGHT_POINT);
    EXPECT_EQ(light.Diffuse.r, 1.0f) << "the ship's light is red";
    EXPECT_EQ(light.Diffuse.g, 0.0f);
    EXPECT_EQ(light.Diffuse.b, 0.0f);
    game.release(DIK_LCONTROL);
    game.frame();
    EXPECT_TRUE(lightOn(1)) << "the right CTRL alone keeps it on";
    game.release(DIK_RCONTROL);
    game.frame();
    EXPECT_FALSE(lightOn(1)) << "off once both are up";
    g_Ship.m_nShields = 0;  // the last shields still count: only a burning ship keeps it lit
    g_Ship.m_nFireCounter = g_Ship.m_nFireDelay;
    game.press(DIK_LCONTROL);
    game.frame();
    ASSERT_TRUE(lightOn(1));
    game.release(DIK_LCONTROL);
    game.frame();
    EXPECT_FALSE(lightOn(1)) << "off with no shields left";
    g_Ship.m_nShields = 100;

    // SPACE held: a pair every 21 frames, five pairs from ten missiles.
    g_Ship.m_nMissiles = 10;
    game.press(DIK_SPACE);
    std::vector<int> pairFrames;
    for (int i = 0; i < 110; ++i) {
        const int missiles = g_Ship.m_nMissiles;
        game.frame();
        if (g_Ship.m_nMissiles != missiles) {
            pairFrames.push_back(i);
            EXPECT_EQ(missiles - g_Ship.m_nMissiles, 2);
        }
    }
    game.release(DIK_SPACE);
    EXPECT_EQ(pairFrames, (std::vector<int>{0, 21, 42, 63, 84}));
    EXPECT_EQ(g_Ship.m_nMissiles, 0);
}

TEST(WholeGame, TheZoomKeysAreClampedEachInTurn) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    startPlaying(game);
    g_Rocks.Clear();
    const struct {
        float from;
        std::vector<int> keys;
        float to;
    } cases[] = {
        {145, {DIK_EQUALS}, 150},          {150, {DIK_EQUALS}, 150},
        {-235, {DIK_MINUS}, -240},         {-240, {DIK_MINUS}, -240},
        {0, {DIK_EQUALS, DIK_MINUS}, 0},   {150, {DIK_EQUALS, DIK_MINUS}, 140},
        {145, {DIK_EQUALS, DIK_MINUS}, 140}, {-240, {DIK_EQUALS, DIK_MINUS}, -240},
        {50, {DIK_EQUALS, DIK_HOME}, -100}, {-240, {DIK_HOME}, -100},
    };
    for (const auto& c : cases) {
        g_fCameraZ = c.from;
        for (int key : c.keys) game.press(key);
        game.frame();
        for (int key : c.keys) game.release(key);
        EXPECT_EQ(g_fCameraZ, c.to) << "from " << c.from << " with " << c.keys.size() << " keys";
        EXPECT_EQ(g_Camera.m_fZ, c.to) << "the camera follows in the same frame";
    }
}

TEST(WholeGame, TheBurningShipSpawnsOneExplosionFromFiveDraws) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    startPlaying(game);
    g_Rocks.Clear();
    g_Ship.m_fX = 12.5f;
    g_Ship.m_fY = -7.25f;
    g_Ship.m_fVelX = g_Ship.m_fVelY = 0.0f;
    g_Ship.m_nShields = -1;
    for (unsigned seed : {1u, 2u, 7u, 12345u}) {
        clearExplosions();
        srand(seed);
        const int draws[5] = {rand(), rand(), rand(), rand(), rand()};
        g_Ship.m_nShieldFlash = 10;  // a flash the last hit started is cut short
        srand(seed);
        game.frame();
        EXPECT_EQ(g_Ship.m_nShieldFlash, 0);
        std::vector<SExplosion> spawned;
        for (int i = 0; i < g_Explosions.m_nCount; ++i)
            if (g_Explosions.m_pExplosions[i].m_bActive) spawned.push_back(g_Explosions.m_pExplosions[i]);
        ASSERT_EQ(spawned.size(), 1u) << "seed " << seed;
        const SExplosion& e = spawned[0];
        // Size and alpha are tenths (never 0), z lies around the play plane 250.
        const float size = static_cast<float>(draws[0] % 5 + 1) / 10.0f;
        const float alpha = static_cast<float>(draws[1] % 10 + 1) / 10.0f;
        EXPECT_EQ(e.m_fSizeX, size) << "seed " << seed;
        EXPECT_EQ(e.m_fSizeY, size);
        EXPECT_EQ(e.m_Colour, static_cast<D3DCOLOR>(D3DXCOLOR(1, 1, 1, alpha)));
        EXPECT_EQ(e.m_fZ, static_cast<float>(draws[2] % 30 + 235));
        EXPECT_EQ(e.m_fY, static_cast<float>(draws[3] % 20) + -7.25f - 10.0f);
        EXPECT_EQ(e.m_fX, static_cast<float>(draws[4] % 20) + 12.5f - 10.0f);
        EXPECT_TRUE(lightOn(1));
        EXPECT_EQ(g_Lights.m_pLights[1].Range, 100.0f);
    }
}
