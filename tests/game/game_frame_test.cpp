// The game frame's steps seen through the whole game: each test drives real
// frames of the game in this process and reads what the frame changed.
#include "game_probes.h"
#include "game_session.h"

#include "BlasterList.h"
#include "Camera.h"
#include "ExplosionList.h"
#include "FloatingTextList.h"
#include "GameGlobals.h"
#include "Menu.h"
#include "MeshObject.h"
#include "MissileList.h"
#include "ParticleSystem.h"
#include "PlayerShip.h"
#include "PowerUpList.h"
#include "RockField.h"
#include "SoundBank.h"
#include "StarField.h"
#include "host.h"
#include "host_input.h"
#include "text_trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The game in play, the ship at rest at (x, y) with heading 0 and nothing
// else on the field.
void playOnAnEmptyField(GameSession& game, float x = 0.0f, float y = 0.0f) {
    ASSERT_EQ(game.start(), 1);
    startPlaying(game);
    g_Rocks.Clear();
    g_Ship.m_fX = x;
    g_Ship.m_fY = y;
    g_Ship.m_fVelX = g_Ship.m_fVelY = 0.0f;
    g_Ship.m_fHeading = 0.0f;
}

void clearParticles(CParticleSystem& particles) {
    for (int i = 0; i < particles.m_nCount; ++i) particles.Kill(i);
}

void clearBonusTexts() {
    for (int i = 0; i < g_BonusText.m_nCount; ++i) g_BonusText.m_pTexts[i].m_nLife = 0;
}

// Where a point of the world lands in the view the frame set on the device.
D3DXVECTOR3 inView(float x, float y, float z) {
    D3DMATRIX v;
    g_App.m_pDevice->GetTransform(D3DTS_VIEW, &v);
    return D3DXVECTOR3(x * v._11 + y * v._21 + z * v._31 + v._41,
                       x * v._12 + y * v._22 + z * v._32 + v._42,
                       x * v._13 + y * v._23 + z * v._33 + v._43);
}

// Where a point of the world lands on the 800 x 600 screen.
POINT onScreen(float x, float y, float z) {
    D3DMATRIX p;
    g_App.m_pDevice->GetTransform(D3DTS_PROJECTION, &p);
    const D3DXVECTOR3 v = inView(x, y, z);
    const float w = v.x * p._14 + v.y * p._24 + v.z * p._34 + p._44;
    const float nx = (v.x * p._11 + v.y * p._21 + v.z * p._31 + p._41) / w;
    const float ny = (v.x * p._12 + v.y * p._22 + v.z * p._32 + p._42) / w;
    return POINT{static_cast<LONG>((nx + 1.0f) * 400.0f), static_cast<LONG>((1.0f - ny) * 300.0f)};
}

// Pixels of the box (x0, y0)-(x1, y1) that differ between two frames.
int changedPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int x0, int y0,
                  int x1, int y1) {
    int changed = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, 600); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, 800); ++x) {
            const uint32_t p = a[static_cast<size_t>(y) * 800 + x];
            const uint32_t q = b[static_cast<size_t>(y) * 800 + x];
            int distance = 0;
            for (int shift : {16, 8, 0})
                distance = std::max(distance, std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF)));
            changed += distance > 24;
        }
    return changed;
}

}  // namespace

TEST(GameFrame, PlayLetsRocksTouchTheShipMovesThemAndCullsThoseFarBehind) {
    GameSession game;
    playOnAnEmptyField(game);
    // Radius 16 each (scale 0.32): the first is 5 units from the ship, well
    // inside its reach of 16 + 10; the third just inside the cull at 700, the
    // fourth just beyond it.
    g_Rocks.Add(5, 0, 250, 0.32f, 0.32f, 0.32f, 0, 0, 40);
    g_Rocks.Add(200, 0, 250, 0.2f, 0.2f, 0.2f, 0.5f, -0.25f, 40);
    g_Rocks.Add(699, 0, 250, 0.2f, 0.2f, 0.2f, 0, 0, 40);
    g_Rocks.Add(0, 701, 250, 0.2f, 0.2f, 0.2f, 0, 0, 40);
    g_Rocks.m_nStreamCounter = 0;
    const SRock* rocks = g_Rocks.m_pRocks;

    game.frame();
    EXPECT_EQ(g_Ship.m_nShields, 100 - 3) << "a rock of size 0.32 costs 3";
    EXPECT_EQ(rocks[0].m_nHitPoints, 35);
    EXPECT_EQ(rocks[0].m_nHitCooldown, 9) << "10 from the contact, one counted off by the motion";
    EXPECT_EQ(g_Ship.m_nShieldFlash, 19) << "the contact flashed the shield";
    EXPECT_EQ(rocks[1].m_fX, 200.5f) << "moved by its velocity";
    EXPECT_EQ(rocks[1].m_fY, -0.25f);
    EXPECT_EQ(rocks[2].m_nHitPoints, 40) << "699 units off: kept";
    EXPECT_EQ(rocks[3].m_nHitPoints, 0) << "701 units off: culled";
    EXPECT_EQ(g_Rocks.m_nStreamCounter, 1);

    // Outside play nothing moves, streams or touches.
    game.tap(DIK_ESCAPE);
    ASSERT_EQ(g_nGameState, GS_MAINMENU);
    const float x = rocks[1].m_fX;
    const int counter = g_Rocks.m_nStreamCounter;
    g_Rocks.m_pRocks[0].m_nHitCooldown = 0;
    game.frames(3);
    EXPECT_EQ(rocks[1].m_fX, x);
    EXPECT_EQ(g_Rocks.m_nStreamCounter, counter);
    EXPECT_EQ(g_Ship.m_nShields, 100 - 3) << "the rock touching the ship again was not tested";
}

TEST(GameFrame, ARockStreamsInAfterTheWavesIntervalHeadingForTheShip) {
    GameSession game;
    playOnAnEmptyField(game, 30.0f, -20.0f);
    // The interval is 75 less the wave: a rock comes once the counter passes it.
    const struct {
        int wave, counterBefore, counterAfter;
        bool streamed;
    } cases[] = {
        {1, 73, 74, false},
        {1, 74, 0, true},
        {2, 72, 73, false},
        {2, 73, 0, true},
    };
    for (const auto& c : cases) {
        g_Rocks.Clear();
        g_nWave = c.wave;
        g_Rocks.m_nStreamCounter = c.counterBefore;
        game.frame();
        const std::string at = "wave " + std::to_string(c.wave) + " from " +
                               std::to_string(c.counterBefore);
        EXPECT_EQ(g_Rocks.m_nStreamCounter, c.counterAfter) << at;
        ASSERT_EQ(liveRocks(), c.streamed ? 1 : 0) << at;
        if (!c.streamed) continue;
        // It came in (one move ago) between 350 and 495 units off, and runs
        // at one unit a frame toward the ship.
        const SRock& rock = g_Rocks.m_pRocks[0];
        const float dx = rock.m_fX - rock.m_fVelX - g_Ship.m_fX;
        const float dy = rock.m_fY - rock.m_fVelY - g_Ship.m_fY;
        const float d = std::hypot(dx, dy);
        EXPECT_GE(d, 350.0f) << at;
        EXPECT_LE(d, 495.0f) << at;
        EXPECT_NEAR(rock.m_fVelX, -dx / d, 1e-5f) << at;
        EXPECT_NEAR(rock.m_fVelY, -dy / d, 1e-5f) << at;
    }
}

TEST(GameFrame, TheCameraFollowsTheShipAndThePlanetTurnsOnEveryScreen) {
    GameSession game;
    ASSERT_EQ(game.start(), 1);
    g_Rocks.Clear();
    const struct {
        int state;
        float planetFrom, planetTo;
        bool cameraOnShip;  // the ship-select screen moves the camera after the frame placed it
    } cases[] = {
        {GS_SHIPSELECT, 359.0f, 360.0f, false},
        {GS_PLAYING, 360.0f, 0.0f, true},
        {GS_PLAYING, 0.5f, 1.5f, true},
        {GS_MAINMENU, 100.0f, 101.0f, true},
    };
    float x = 120.0f;
    for (const auto& c : cases) {
        g_nGameState = c.state;
        g_Ship.m_fX = x;
        g_Ship.m_fY = -40.0f;
        g_Ship.m_fVelX = g_Ship.m_fVelY = 0.0f;
        g_Planet.m_fRotY = c.planetFrom;
        g_Camera.m_fPitch = 0.3f;  // aimed elsewhere: the frame aims it at the ship again
        g_Camera.m_fYaw = -0.2f;
        game.frame();
        ASSERT_EQ(g_nGameState, c.state);
        EXPECT_EQ(g_Planet.m_fRotY, c.planetTo) << "state " << c.state << " from " << c.planetFrom;
        if (c.cameraOnShip) {
            EXPECT_EQ(g_Camera.m_fX, x) << "state " << c.state;
            EXPECT_EQ(g_Camera.m_fY, -40.0f);
            EXPECT_EQ(g_Camera.m_fZ, -100.0f) << "the distance a game starts with";
            // Straight above the ship, looking at it.
            const D3DXVECTOR3 ship = inView(x, -40.0f, 250.0f);
            EXPECT_NEAR(ship.x, 0.0f, 1e-3f);
            EXPECT_NEAR(ship.y, 0.0f, 1e-3f);
            EXPECT_NEAR(ship.z, 350.0f, 1e-2f);
        }
        x += 15.0f;
    }
}

TEST(GameFrame, EveryObjectOfTheWorldShowsOnTheScreen) {
    GameSession game;
    playOnAnEmptyField(game);
    const float kX = 60.0f, kY = 40.0f;  // off the ship, well inside the view
    auto emptyWorld = [] {
        g_Rocks.Clear();
        g_Rocks.m_nStreamCounter = 0;
        g_Blaster.Clear();
        g_Missiles.Clear();
        clearParticles(g_Missiles.m_Trail);
        g_PowerUps.Clear();
        clearParticles(g_Particles);
        clearExplosions();
        g_Planet.m_fX = 100000.0f;
        for (int i = 0; i < g_Stars.m_nCount; ++i) g_Stars.m_pStars[i].m_bActive = 0;
    };
    const struct {
        const char* what;
        std::function<void()> place;
        bool nearThePoint;  // else anywhere on the screen
        int atLeast;
    } cases[] = {
        {"a rock", [&] { g_Rocks.Add(kX, kY, 250, 0.32f, 0.32f, 0.32f, 0, 0, 40); }, true, 1000},
        {"a shot", [&] { g_Blaster.Fire(kX, kY, 251, 0, 0.0f, 50, 1); }, true, 10},
        {"a missile", [&] { g_Missiles.Fire(kX, kY, 250, 90, 90, 0.0f, 50, 100); }, true, 30},
        {"an explosion", [&] { g_Explosions.Spawn(kX, kY, 250, 1, 1, 0xFFFFFFFF); }, true, 300},
        {"a power-up", [&] { g_PowerUps.Spawn(kX, kY, 250, POWERUP_SHIELD); }, true, 500},
        {"sparks", [&] {
             for (int i = 0; i < 64; ++i)  // a spark is a speck: a square of them
                 g_Particles.Add(kX - 8 + 2 * (i % 8), kY - 8 + 2 * (i / 8), 245, 0, 0, 50);
         }, true, 50},
        {"the planet", [] { g_Planet.m_fX = 0.0f; }, false, 10000},
        {"the stars", [] { for (int i = 0; i < g_Stars.m_nCount; ++i) g_Stars.m_pStars[i].m_bActive = 1; },
         false, 500},
    };
    for (const auto& c : cases) {
        emptyWorld();
        game.frame();
        const std::vector<uint32_t> empty = host::readBackBuffer();
        emptyWorld();
        c.place();
        game.frame();
        const std::vector<uint32_t> shown = host::readBackBuffer();
        const POINT at = onScreen(kX, kY, 250.0f);
        const int changed = c.nearThePoint ? changedPixels(empty, shown, at.x - 40, at.y - 40, at.x + 40, at.y + 40)
                                           : changedPixels(empty, shown, 0, 0, 800, 600);
        EXPECT_GE(changed, c.atLeast) << c.what;
    }
}

TEST(GameFrame, TheBlasterAndTheMissilesLeaveWithTheFramesValues) {
    GameSession game;
    game.holdAudio();
    playOnAnEmptyField(game, 10.0f, 20.0f);
    const struct {
        float heading;
        float target, second;  // the missiles' course and the second one's start
    } cases[] = {
        {30.0f, 300.0f, 210.0f},
        {200.0f, 110.0f, 20.0f},
        {90.0f, 0.0f, 270.0f},  // a course of exactly 0 stays 0
        {180.0f, 90.0f, 0.0f},
        {90.5f, 0.5f, 270.5f},
        {180.5f, 90.5f, 0.5f},
    };
    for (const auto& c : cases) {
        g_Blaster.Clear();
        g_Missiles.Clear();
        StopSound(g_nSndBlaster);
        g_Ship.m_fHeading = c.heading;
        g_Ship.m_nShotDamage = 7;
        g_Ship.m_nFireCounter = g_Ship.m_nFireDelay;
        g_Ship.m_nMissileCounter = g_Ship.m_nMissileDelay;
        g_Ship.m_nMissiles = 10;
        game.press(DIK_LCONTROL);
        game.press(DIK_SPACE);
        game.frame();
        game.release(DIK_LCONTROL);
        game.release(DIK_SPACE);

        // One shot along the course, one unit above the ship, moved once.
        ASSERT_EQ(liveShots(), 1) << "heading " << c.heading;
        const SBlasterShot& shot = g_Blaster.m_pShots[0];
        const float a = (c.heading - 90.0f) * 3.1415927f / 180.0f;
        EXPECT_EQ(shot.m_fHeading, c.heading - 90.0f);
        EXPECT_FLOAT_EQ(shot.m_fVelX, std::cos(a) * 3.0f) << "heading " << c.heading;
        EXPECT_FLOAT_EQ(shot.m_fVelY, std::sin(a) * 3.0f);
        EXPECT_FLOAT_EQ(shot.m_fX, 10.0f + shot.m_fVelX);
        EXPECT_FLOAT_EQ(shot.m_fY, 20.0f + shot.m_fVelY);
        EXPECT_EQ(shot.m_fZ, 251.0f);
        EXPECT_EQ(shot.m_nLife, 119);
        EXPECT_EQ(shot.m_nDamage, 7);
        EXPECT_NE(GetSoundStatus(g_nSndBlaster), 0) << "the blaster sound started";

        // The pair: one from the ship's heading, one from a quarter turn
        // beyond the course, both for the course; moved once.
        EXPECT_EQ(g_Ship.m_nMissiles, 8);
        CMissileList expected(2);
        expected.Fire(10, 20, 250, c.heading, c.target, 2.5f, 120, 100);
        expected.Fire(10, 20, 250, c.second, c.target, 2.5f, 120, 100);
        expected.Update();
        ASSERT_EQ(liveMissiles(), 2);
        for (int i = 0; i < 2; ++i) {
            const SMissile& m = g_Missiles.m_pMissiles[i];
            const SMissile& e = expected.m_pMissiles[i];
            EXPECT_EQ(m.m_fTargetHeading, e.m_fTargetHeading) << "heading " << c.heading << " missile " << i;
            EXPECT_EQ(m.m_fHeading, e.m_fHeading) << "heading " << c.heading << " missile " << i;
            EXPECT_EQ(m.m_fX, e.m_fX);
            EXPECT_EQ(m.m_fY, e.m_fY);
            EXPECT_EQ(m.m_fZ, 250.0f);
            EXPECT_EQ(m.m_fSpeed, 2.5f);
            EXPECT_EQ(m.m_nLife, 119);
            EXPECT_EQ(m.m_nDamage, 100);
        }
    }
}

TEST(GameFrame, EachBonusRisesInItsOwnWordsInGreenForFiftyFrames) {
    GameSession game;
    playOnAnEmptyField(game);
    const struct {
        int type;
        const char* text;
    } cases[] = {
        {POWERUP_SHIELD, "Shield BONUS"},
        {POWERUP_MISSILE, "Missle BONUS"},
        {POWERUP_SPEED, "Speed BONUS "},
        {POWERUP_BLASTER, "Blaster BONUS "},
        {4, nullptr},  // a kind the game does not know has no text
        {7, nullptr},
    };
    for (const auto& c : cases) {
        clearBonusTexts();
        g_PowerUps.Spawn(g_Ship.m_fX + 5.0f, g_Ship.m_fY, 250.0f, c.type);
        TextTrace trace;
        game.frame();
        ASSERT_EQ(livePowerUps(), 0) << "type " << c.type << " picked up";
        if (!c.text) {
            EXPECT_TRUE(described(trace, &g_BonusText.m_Font).empty());
            continue;
        }
        // Added at (350, 300) and drawn in the same frame, already a pixel higher.
        EXPECT_EQ(described(trace, &g_BonusText.m_Font),
                  std::vector<std::string>{textLine(c.text, 350, 299, 0, 1, 0, 1)});
        int framesShown = 1;
        for (int i = 0; i < 60; ++i) {
            trace.clear();
            game.frame();
            if (trace.with(&g_BonusText.m_Font).empty()) break;
            ++framesShown;
        }
        EXPECT_EQ(framesShown, 49) << c.text << ": added with a life of 50";
    }
}

TEST(GameFrame, TheShipPicksUpAPowerUpWithinOneUnitBeyondItsSize) {
    GameSession game;
    playOnAnEmptyField(game);
    const CMeshObject& mesh = g_PowerUps.m_Mesh;
    const float size = 50.0f * (mesh.m_fScaleX + mesh.m_fScaleY + mesh.m_fScaleZ) / 3.0f;
    const struct {
        float offset;
        bool pickedUp;
    } cases[] = {{size + 0.75f, true}, {size + 1.25f, false}};
    for (const auto& c : cases) {
        g_PowerUps.Clear();
        g_PowerUps.Spawn(c.offset, 0.0f, 250.0f, POWERUP_MISSILE);
        game.frame();
        EXPECT_EQ(livePowerUps(), c.pickedUp ? 0 : 1) << "at " << c.offset - size << " beyond its size";
    }
}

TEST(GameFrame, ShotsAndMissilesTouchARockOnlyInsideItsRadius) {
    GameSession game;
    playOnAnEmptyField(game);
    // A rock of radius 16 at (200, 0); shots and missiles stand still where
    // they are put, so each is tested once at exactly that place.
    const struct {
        bool missile;
        float offset;
        bool touches;
    } cases[] = {
        {false, 15.5f, true}, {false, 16.5f, false},
        {true, 15.5f, true},  {true, 16.5f, false},
    };
    for (const auto& c : cases) {
        g_Rocks.Clear();
        g_Blaster.Clear();
        g_Missiles.Clear();
        g_Rocks.Add(200, 0, 250, 0.32f, 0.32f, 0.32f, 0, 0, 40);
        if (c.missile)
            g_Missiles.Fire(200, c.offset, 250, 90, 90, 0.0f, 50, 100);
        else
            g_Blaster.Fire(200, c.offset, 251, 90, 0.0f, 50, 1);
        game.frame();
        const char* what = c.missile ? "missile" : "shot";
        EXPECT_EQ(c.missile ? liveMissiles() : liveShots(), c.touches ? 0 : 1)
            << what << " at " << c.offset;
        const int hitPoints = g_Rocks.m_pRocks[0].m_nHitPoints;
        if (!c.touches) EXPECT_EQ(hitPoints, 40) << what << " at " << c.offset;
        else if (c.missile) EXPECT_EQ(hitPoints, 0) << "blasted";
        else EXPECT_EQ(hitPoints, 39) << "damaged";
    }

    // A hit throws three small explosions around the shot; a hit that
    // destroys the rock adds a fourth at the shot's own place.
    for (int hitPoints : {40, 1}) {
        g_Rocks.Clear();
        g_Blaster.Clear();
        clearExplosions();
        g_Rocks.Add(200, 0, 250, 0.32f, 0.32f, 0.32f, 0, 0, hitPoints);
        g_Blaster.Fire(200, 3, 251, 90, 0.0f, 50, 1);
        game.frame();
        const bool destroyed = hitPoints == 1;
        ASSERT_EQ(liveExplosions(), destroyed ? 4 : 3) << "hit points " << hitPoints;
        if (!destroyed) continue;
        const SExplosion& e = g_Explosions.m_pExplosions[3];
        EXPECT_EQ(e.m_fX, 200.0f);
        EXPECT_EQ(e.m_fY, 3.0f);
        EXPECT_EQ(e.m_fZ, 251.0f);
        EXPECT_EQ(e.m_fSizeX, 0.3f);
        EXPECT_EQ(e.m_fSizeY, 0.3f);
        EXPECT_EQ(e.m_Colour, static_cast<D3DCOLOR>(D3DXCOLOR(1, 1, 1, 0.3f)));
    }
}

// The frames on which each credits line was added (drawn first, at y 619),
// and how many frames the credits lasted, from the frame that brought them.
struct CreditsRoll {
    std::vector<std::pair<int, std::string>> lines;
    int frames = 0;
};

// Wins the game and plays its credits until they end or `limit` frames ran.
CreditsRoll rollCredits(GameSession& game, int limit = 1100) {
    CreditsRoll roll;
    TextTrace trace;
    g_Rocks.Clear();
    g_nWave = g_nLastWave;
    do {
        trace.clear();
        game.frame();
        ++roll.frames;
        for (const DrawnText& t : trace.with(&g_CreditsText.m_Font))
            if (t.y == 619.0f) roll.lines.emplace_back(roll.frames, t.text);
    } while (g_nGameState == GS_CREDITS && roll.frames < limit);
    return roll;
}

const std::vector<std::pair<int, std::string>> kCreditLines = {
    {1, "- CREDITS - "},
    {31, "Art: Tamberlin "},
    {61, "Programming: Tamberlin "},
    {91, "SoundFX & Music: Tamberlin "},
};

// From the menu the credits left, "Continue" plays the fresh game they set up.
void continuePlaying(GameSession& game) {
    ASSERT_EQ(g_nGameState, GS_MAINMENU);
    game.frames(6);
    game.tap(DIK_RETURN);
    ASSERT_EQ(g_nGameState, GS_PLAYING);
}

TEST(GameFrame, TheCreditsRollAThousandFramesThenTheMenuComes) {
    GameSession game;
    playOnAnEmptyField(game);
    const CreditsRoll roll = rollCredits(game);
    EXPECT_EQ(roll.lines, kCreditLines);
    EXPECT_EQ(roll.frames, 1001) << "1000 frames of credits, then the menu";
    EXPECT_EQ(g_nGameState, GS_MAINMENU);
    EXPECT_EQ(g_nCreditsCounter, 0);
}

TEST(GameFrame, ASecondWinRollsEveryCreditsLineAgain) {
    GameSession game;
    playOnAnEmptyField(game);
    EXPECT_EQ(rollCredits(game, 91).lines, kCreditLines);
    g_nCreditsCounter = g_nCreditsFrames;  // the rest of the first roll
    game.frame();
    continuePlaying(game);
    EXPECT_EQ(rollCredits(game, 91).lines, kCreditLines) << "the second roll";
}

TEST(GameFrame, TheMainMenuDrawsItsPictureAndThreeItemsOverTheirShadows) {
    GameSession game;
    playOnAnEmptyField(game);
    game.tap(DIK_ESCAPE);
    ASSERT_EQ(g_nGameState, GS_MAINMENU);
    for (int selected = 0; selected < 3; ++selected) {
        g_Menu.m_nSelection = selected;
        TextTrace trace;
        game.frame();
        ASSERT_EQ(g_nGameState, GS_MAINMENU);
        const float p = g_Menu.m_fPulse;
        auto item = [&](int i, const char* text, float x, float y) {
            const float c = i == selected ? p : 0.7f;
            return textLine(text, x, y, c, c, c, 1);
        };
        const std::vector<std::string> expected = {
            textLine("Continue", 366, 286, 0.1f, 0.1f, 0.1f, 1),
            textLine("New Game", 358, 304, 0.1f, 0.1f, 0.1f, 1),
            textLine("Exit", 383, 322, 0.1f, 0.1f, 0.1f, 1),
            item(0, "Continue", 365, 285),
            item(1, "New Game", 357, 303),
            item(2, "Exit", 382, 321),
        };
        EXPECT_EQ(described(trace, &g_Menu.m_Font), expected) << "selection " << selected;
    }

    // Over the menu's picture, 128 pixels square at the centre of the screen.
    const std::vector<uint32_t> withPicture = host::readBackBuffer();
    g_Menu.m_MenuSprite.m_fX = -1000.0f;
    game.frame();
    g_Menu.m_MenuSprite.m_fX = 400.0f;
    EXPECT_GT(changedPixels(withPicture, host::readBackBuffer(), 336, 236, 464, 364), 10000);
}
