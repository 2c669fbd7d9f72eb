// The player ship: turning with its heading wrap and bank, thrust and drag,
// exhaust puffs, the shield's flash, Reset and SetModel, and what
// UpdateAndDraw puts on the screen with and without a model.
#include "PlayerShip.h"

#include "ExplosionList.h"
#include "ShipList.h"
#include "entity_scene.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

enum Keys { NONE = 0, RIGHT = 1, LEFT = 2, UP = 4, DOWN = 8 };

void Fly(CPlayerShip& ship, int keys, CExplosionList* explosions = nullptr) {
    FlyShip(&ship, keys & RIGHT, keys & LEFT, keys & UP, keys & DOWN, explosions);
}

// Every value the constructor and Reset write (mass, impact, model and
// device aside).
void ExpectBuiltIn(const CPlayerShip& ship, const char* when) {
    EXPECT_EQ(ship.m_fX, 0.0f) << when;
    EXPECT_EQ(ship.m_fY, 0.0f) << when;
    EXPECT_EQ(ship.m_fZ, 250.0f) << when;
    EXPECT_EQ(ship.m_fVelX, 0.0f) << when;
    EXPECT_EQ(ship.m_fVelY, 0.0f) << when;
    EXPECT_EQ(ship.m_fTilt, 270.0f) << when;
    EXPECT_EQ(ship.m_fBank, 0.0f) << when;
    EXPECT_EQ(ship.m_fHeading, 0.0f) << when;
    EXPECT_EQ(ship.m_fAccel, 0.03f) << when;
    EXPECT_EQ(ship.m_fTurnRate, 3.5f) << when;
    EXPECT_EQ(ship.m_nShields, 100) << when;
    EXPECT_EQ(ship.m_nFireDelay, 8) << when;
    EXPECT_EQ(ship.m_nFireCounter, 0) << when;
    EXPECT_EQ(ship.m_nMissileDelay, 20) << when;
    EXPECT_EQ(ship.m_nMissileCounter, 0) << when;
    EXPECT_EQ(ship.m_nMissiles, 10) << when;
    EXPECT_EQ(ship.m_nScore, 0) << when;
    EXPECT_EQ(ship.m_nExhaustCounter, 0) << when;
    EXPECT_EQ(ship.m_nExhaustPeriod, 6) << when;
    EXPECT_EQ(ship.m_nShotDamage, 2) << when;
    EXPECT_EQ(ship.m_fShieldSpin, 10.0f) << when;
    EXPECT_EQ(ship.m_fShieldAlpha, 0.0f) << when;
    EXPECT_EQ(ship.m_nShieldFlash, 0) << when;
}

TEST(PlayerShip, StartsWithTheBuiltInValues) {
    CPlayerShip ship;
    ExpectBuiltIn(ship, "constructed");
    EXPECT_EQ(ship.m_fZ, 250.0f);
    EXPECT_EQ(ship.m_fTilt, 270.0f);
    EXPECT_EQ(ship.m_fMass, 1.0f);
    EXPECT_EQ(ship.m_fAccel, 0.03f);
    EXPECT_EQ(ship.m_fTurnRate, 3.5f);
    EXPECT_EQ(ship.m_nShotDamage, 2);
    EXPECT_EQ(ship.m_nFireDelay, 8);
    EXPECT_EQ(ship.m_fImpact, 0.01f);
    EXPECT_EQ(ship.m_nShields, 100);
    EXPECT_EQ(ship.m_nMissiles, 10);
    EXPECT_EQ(ship.m_nMissileDelay, 20);
    EXPECT_EQ(ship.m_nExhaustPeriod, 6);
    EXPECT_EQ(ship.m_fShieldSpin, 10.0f);
    EXPECT_EQ(ship.m_pModel, nullptr);
    EXPECT_EQ(ship.m_pDevice, nullptr);
}

TEST(PlayerShipFlight, HeadingWrapsToExactly360OrExactly0) {
    struct Case {
        float heading;
        int keys;
        float expected;
    } const cases[] = {
        {2.0f, RIGHT, 360.0f},     // not 358.5
        {358.0f, LEFT, 0.0f},      // not 1.5
        {3.5f, RIGHT, 0.0f},       // exactly 0 is not below 0
        {356.5f, LEFT, 360.0f},    // exactly 360 is not above 360
        {0.0f, RIGHT, 360.0f},
        {360.0f, LEFT, 0.0f},
        {90.0f, RIGHT, 86.5f},
        {90.0f, RIGHT | LEFT, 90.0f},  // both: back and forth within the frame
        {360.0f, NONE, 360.0f},
    };
    for (const Case& c : cases) {
        CPlayerShip ship;
        ship.m_fHeading = c.heading;
        Fly(ship, c.keys);
        EXPECT_EQ(ship.m_fHeading, c.expected) << c.heading << " keys " << c.keys;
    }
}

TEST(PlayerShipFlight, BankLeansByThreeAndReturnsByTwo) {
    struct Case {
        const char* name;
        float start;
        std::vector<int> keys;
        std::vector<float> banks;  // after each frame
    } const cases[] = {
        {"right held", 0, std::vector<int>(9, RIGHT), {3, 6, 9, 12, 15, 18, 21, 24, 24}},
        {"left held", 0, std::vector<int>(9, LEFT), {-3, -6, -9, -12, -15, -18, -21, -24, -24}},
        {"even bank returns to 0", 24, std::vector<int>(13, NONE),
         {22, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0, 0}},
        {"negative even bank returns to 0", -6, std::vector<int>(4, NONE), {-4, -2, 0, 0}},
        {"odd bank rests at 1", 0, {RIGHT, NONE, NONE, NONE}, {3, 1, 1, 1}},
        {"negative odd bank rests at 1", 0, {LEFT, NONE, NONE}, {-3, -1, 1}},
        {"both held at 24", 24, {RIGHT | LEFT}, {21}},
    };
    for (const Case& c : cases) {
        CPlayerShip ship;
        ship.m_fBank = c.start;
        for (size_t i = 0; i < c.keys.size(); i++) {
            Fly(ship, c.keys[i]);
            EXPECT_EQ(ship.m_fBank, c.banks[i]) << c.name << " frame " << i + 1;
        }
    }
}

// Held thrust approaches 2 - accel from below, for an accel below 2 (from 2
// the velocity flips sign every frame); released, the drag brings the ship
// back to rest.
TEST(PlayerShipFlight, ThrustApproachesTopSpeedAndDragBringsItToRest) {
    for (float accel : {0.03f, 0.022f, 0.5f, 1.5f, 1.99f}) {
        CPlayerShip ship;
        ship.m_fAccel = accel;
        ship.m_fHeading = 30.0f;  // along (cos -60, sin -60) degrees
        const float top = 2.0f - accel;
        float previous = 0.0f;
        for (int frame = 0; frame < 3000; frame++) {
            Fly(ship, UP);
            const float speed = std::hypot(ship.m_fVelX, ship.m_fVelY);
            ASSERT_LE(speed, top * 1.000001f) << accel << " frame " << frame;
            ASSERT_GE(speed, previous) << accel << " frame " << frame;
            previous = speed;
        }
        EXPECT_NEAR(previous, top, 1e-3f) << accel;
        EXPECT_NEAR(ship.m_fVelX, top * 0.5f, 1e-3f) << accel;
        EXPECT_NEAR(ship.m_fVelY, -top * 0.8660254f, 1e-3f) << accel;
        EXPECT_EQ(ship.m_fZ, 250.0f);

        const float y = ship.m_fY;
        Fly(ship, NONE);
        EXPECT_EQ(ship.m_fY, y + ship.m_fVelY) << accel;  // the move follows the velocity
        for (int frame = 0; frame < 5000; frame++) Fly(ship, NONE);
        EXPECT_LT(std::hypot(ship.m_fVelX, ship.m_fVelY), 1e-4f) << accel;
    }
}

TEST(PlayerShipFlight, ReverseThrustPushesBackwardsWithoutPuffs) {
    CExplosionList explosions(50);
    CPlayerShip ship;
    ship.m_fHeading = 90.0f;  // travelling along +x
    for (int frame = 0; frame < 20; frame++) Fly(ship, DOWN, &explosions);
    EXPECT_LT(ship.m_fVelX, 0.0f);
    EXPECT_NEAR(ship.m_fVelY, 0.0f, 1e-5f);
    EXPECT_EQ(ship.m_nExhaustCounter, 0);
    EXPECT_EQ(explosions.m_pExplosions[0].m_bActive, 0);

    CPlayerShip down;  // heading 0 travels down the screen, along -y
    Fly(down, UP);
    EXPECT_NEAR(down.m_fVelX, 0.0f, 1e-6f);
    EXPECT_LT(down.m_fVelY, 0.0f);
}

// One frame of thrust from rest pushes along the heading as turned in that
// frame, less 90 degrees: accel along it, less the drag of accel / 2.
TEST(PlayerShipFlight, ThrustPushesAlongTheHeadingAsTurnedThisFrame) {
    struct Case {
        const char* name;
        float heading;
        int keys;
        double course;  // degrees of the push, 0 along +x, 90 along +y
        double push;    // +1 forwards, -1 backwards, 0 none
    } const cases[] = {
        {"heading 0 travels along -y", 0.0f, UP, -90.0, 1},
        {"heading 90 travels along +x", 90.0f, UP, 0.0, 1},
        {"heading 210", 210.0f, UP, 120.0, 1},
        {"reverse at heading 0", 0.0f, DOWN, -90.0, -1},
        {"reverse at heading 210", 210.0f, DOWN, 120.0, -1},
        {"turned right first", 90.0f, RIGHT | UP, -3.5, 1},
        {"turned left first", 90.0f, LEFT | DOWN, 3.5, -1},
        {"forwards and back cancel", 30.0f, UP | DOWN, 0.0, 0},
    };
    for (const Case& c : cases) {
        CPlayerShip ship;
        ship.m_fHeading = c.heading;
        Fly(ship, c.keys);
        const double speed = c.push * 0.03 * (1.0 - 0.015);
        const double radians = c.course * 3.14159265358979 / 180.0;
        EXPECT_NEAR(ship.m_fVelX, speed * std::cos(radians), 1e-6) << c.name;
        EXPECT_NEAR(ship.m_fVelY, speed * std::sin(radians), 1e-6) << c.name;
        EXPECT_EQ(ship.m_fX, ship.m_fVelX) << c.name;  // moved by one frame's velocity
        EXPECT_EQ(ship.m_fY, ship.m_fVelY) << c.name;
    }
}

TEST(PlayerShipFlight, ExhaustPuffsEverySeventhThrustFrame) {
    CExplosionList explosions(50);
    CPlayerShip ship;
    ship.m_fX = 10.0f;
    ship.m_fY = 20.0f;
    // UP for 5 frames, released for 3 (the counter keeps its count), UP again.
    std::vector<int> keys = {UP, UP, UP, UP, UP, NONE, NONE, NONE};
    keys.insert(keys.end(), 16, UP);
    std::vector<int> puffFrames;
    int puffs = 0;
    for (size_t i = 0; i < keys.size(); i++) {
        const float x = ship.m_fX, y = ship.m_fY;
        Fly(ship, keys[i], &explosions);
        if (explosions.m_pExplosions[puffs].m_bActive) {
            const SExplosion& e = explosions.m_pExplosions[puffs];
            EXPECT_EQ(e.m_fX, x);  // where the ship was before it moved
            EXPECT_EQ(e.m_fY, y);
            EXPECT_EQ(e.m_fZ, 255.0f);
            EXPECT_EQ(e.m_fSizeX, 0.3f);
            EXPECT_EQ(e.m_fSizeY, 0.3f);
            EXPECT_EQ(e.m_Colour, D3DCOLOR(D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.4f)));
            puffFrames.push_back(int(i) + 1);
            puffs++;
        }
    }
    // The 7th, 14th and 21st UP frames.
    EXPECT_EQ(puffFrames, (std::vector<int>{10, 17, 24}));
    EXPECT_EQ(ship.m_nExhaustCounter, 0);
}

TEST(PlayerShipShield, OneHitFlashesUpToAPlateauAndFadesOut) {
    CPlayerShip ship;  // no model and no shield mesh: the animation still runs
    ship.m_fX = 12.0f;
    ship.m_fY = -7.0f;
    ship.FlashShield();
    std::vector<float> expected = {0.15f, 0.30f, 0.45f, 0.60f};
    expected.insert(expected.end(), 16, 0.65f);  // to the 20th frame
    for (int i = 1; i <= 13; i++) expected.push_back(0.65f - 0.05f * float(i));
    for (size_t frame = 0; frame < expected.size(); frame++) {
        ship.UpdateAndDraw();
        EXPECT_NEAR(ship.m_fShieldAlpha, expected[frame], 1e-5f) << "frame " << frame + 1;
    }
    // The 33rd frame takes it to 0 exactly: from there on it is not drawn.
    EXPECT_EQ(ship.m_fShieldAlpha, 0.0f);
    ship.UpdateAndDraw();
    EXPECT_EQ(ship.m_fShieldAlpha, 0.0f);
    EXPECT_EQ(ship.m_nShieldFlash, 0);
    EXPECT_EQ(ship.m_Shield.m_fScaleX, 0.8f);
    EXPECT_EQ(ship.m_Shield.m_fScaleY, 0.8f);
    EXPECT_EQ(ship.m_Shield.m_fScaleZ, 0.8f);
    EXPECT_EQ(ship.m_Shield.m_fX, 12.0f);
    EXPECT_EQ(ship.m_Shield.m_fY, -7.0f);
    EXPECT_EQ(ship.m_Shield.m_fZ, 250.0f);
    EXPECT_EQ(ship.m_Shield.m_fRotX, 0.0f);
    EXPECT_EQ(ship.m_Shield.m_fRotY, 0.0f);
}

TEST(PlayerShipShield, FlashingNeedsAShipThatIsNotDestroyed) {
    struct Case {
        int shields, flash;
    } const cases[] = {{100, 20}, {0, 20}, {-1, 0}, {-50, 0}};
    for (const Case& c : cases) {
        CPlayerShip ship;
        ship.m_nShields = c.shields;
        ship.FlashShield();
        EXPECT_EQ(ship.m_nShieldFlash, c.flash) << c.shields;
    }
    CPlayerShip ship;
    ship.FlashShield();
    ship.ClearShieldFlash();
    EXPECT_EQ(ship.m_nShieldFlash, 0);
}

TEST(PlayerShipShield, SpinsTenDegreesAFrameAndWrapsAbove360) {
    CPlayerShip ship;
    for (int frame = 1; frame <= 36; frame++) ship.UpdateAndDraw();
    EXPECT_EQ(ship.m_Shield.m_fRotZ, 360.0f);
    ship.UpdateAndDraw();
    EXPECT_EQ(ship.m_Shield.m_fRotZ, 0.0f);
}

TEST(PlayerShip, ResetRestoresTheBuiltInValuesAndKeepsModelMassImpactAndDevice) {
    CShipNode node;
    SShipRecord record;
    std::memset(&record, 0, sizeof record);
    record.m_fAccel = 0.05f;
    record.m_fTurnRate = 5.0f;
    record.m_nShotDamage = 6;
    record.m_nFireDelay = 11;

    CPlayerShip ship;
    ship.SetModel(&node, &record);
    EXPECT_EQ(ship.m_pModel, &node);
    EXPECT_EQ(ship.m_fAccel, 0.05f);
    EXPECT_EQ(ship.m_fTurnRate, 5.0f);
    EXPECT_EQ(ship.m_nShotDamage, 6);
    EXPECT_EQ(ship.m_nFireDelay, 11);

    auto* device = reinterpret_cast<IDirect3DDevice8*>(&record);  // only compared
    ship.m_pDevice = device;
    ship.m_fMass = 2.0f;
    ship.m_fImpact = 0.5f;
    ship.m_fX = 5.0f;
    ship.m_fVelY = 1.0f;
    ship.m_fHeading = 45.0f;
    ship.m_nShields = -3;
    ship.m_nScore = 900;
    ship.m_nMissiles = 0;
    ship.m_nExhaustCounter = 4;
    ship.m_fShieldAlpha = 0.5f;
    ship.m_nShieldFlash = 7;
    ship.m_fY = -8.0f;
    ship.m_fZ = 1.0f;
    ship.m_fVelX = 2.0f;
    ship.m_fTilt = 10.0f;
    ship.m_fBank = 21.0f;
    ship.m_nFireCounter = 9;
    ship.m_nMissileDelay = 3;
    ship.m_nMissileCounter = 21;
    ship.m_nExhaustPeriod = 2;
    ship.m_fShieldSpin = 1.0f;
    ship.Reset();
    ExpectBuiltIn(ship, "after Reset");

    EXPECT_EQ(ship.m_pModel, &node);
    EXPECT_EQ(ship.m_pDevice, device);
    EXPECT_EQ(ship.m_fMass, 2.0f);
    EXPECT_EQ(ship.m_fImpact, 0.5f);
    EXPECT_EQ(ship.m_fAccel, 0.03f);
    EXPECT_EQ(ship.m_fTurnRate, 3.5f);
    EXPECT_EQ(ship.m_nShotDamage, 2);
    EXPECT_EQ(ship.m_nFireDelay, 8);
    EXPECT_EQ(ship.m_fX, 0.0f);
    EXPECT_EQ(ship.m_fVelY, 0.0f);
    EXPECT_EQ(ship.m_fHeading, 0.0f);
    EXPECT_EQ(ship.m_nShields, 100);
    EXPECT_EQ(ship.m_nScore, 0);
    EXPECT_EQ(ship.m_nMissiles, 10);
    EXPECT_EQ(ship.m_nExhaustCounter, 0);
    EXPECT_EQ(ship.m_fShieldAlpha, 0.0f);
    EXPECT_EQ(ship.m_nShieldFlash, 0);
}

// An empty ship list hands the ship no node (and a zeroed record): the ship
// keeps flying with its built-in handling values.
TEST(PlayerShip, SetModelWithoutAModelKeepsTheHandlingValues) {
    SShipRecord zero;
    std::memset(&zero, 0, sizeof zero);
    CShipNode node;
    struct Case {
        CShipNode* node;
        SShipRecord* record;
    } const cases[] = {{nullptr, &zero}, {nullptr, nullptr}, {&node, nullptr}};
    for (const Case& c : cases) {
        CPlayerShip ship;
        ship.SetModel(c.node, c.record);
        EXPECT_EQ(ship.m_pModel, c.node);
        EXPECT_EQ(ship.m_fAccel, 0.03f);
        EXPECT_EQ(ship.m_fTurnRate, 3.5f);
        EXPECT_EQ(ship.m_nShotDamage, 2);
        EXPECT_EQ(ship.m_nFireDelay, 8);
        Fly(ship, UP | RIGHT);
        EXPECT_NE(ship.m_fVelY, 0.0f);
        EXPECT_EQ(ship.m_fHeading, 360.0f);
    }
}

// With the game's own media: the model draws where the ship is, and the
// shield bubble draws while it flashes, with or without a model.
TEST(PlayerShipDrawing, ModelAndFlashingShieldReachTheScreen) {
    EntityScene scene(-100.0f, 250.0f);  // looking at the ship from the game's camera
    ASSERT_NE(scene.device(), nullptr);
    ASSERT_EQ(chdir(testenv::runDir().c_str()), 0);
    CShipList list;
    list.SetDevice(scene.device());
    list.ReadFile("media\\default.msl");
    list.LoadMeshes();
    ASSERT_NE(list.GetAt(0), nullptr);

    CPlayerShip ship;
    ASSERT_EQ(ship.LoadShield(scene.device()), 1);
    EXPECT_EQ(ship.m_pDevice, scene.device());
    ship.SetModel(list.GetAt(0), &list.m_Records[0]);
    ship.m_fX = -60.0f;  // left of the centre
    ship.m_fY = 4.0f;
    ship.m_fBank = 9.0f;
    ship.m_fHeading = 30.0f;
    scene.frame([&] { ship.UpdateAndDraw(); });
    EXPECT_EQ(ship.m_pModel->m_fX, -60.0f);
    EXPECT_EQ(ship.m_pModel->m_fY, 4.0f);
    EXPECT_EQ(ship.m_pModel->m_fZ, 250.0f);
    EXPECT_EQ(ship.m_pModel->m_fRotX, 270.0f);
    EXPECT_EQ(ship.m_pModel->m_fRotY, 9.0f);
    EXPECT_EQ(ship.m_pModel->m_fRotZ, 30.0f);
    const int model = scene.lit(0, 200, 400, 400);
    EXPECT_GT(model, 0);
    EXPECT_EQ(scene.lit(400, 0, 800, 600), 0);

    ship.FlashShield();
    scene.frame([&] { ship.UpdateAndDraw(); });
    EXPECT_GT(scene.lit(0, 200, 400, 400), model);  // the bubble around it

    ship.SetModel(nullptr, nullptr);
    ship.FlashShield();
    scene.frame([&] { ship.UpdateAndDraw(); });
    EXPECT_GT(scene.lit(0, 200, 400, 400), 0);  // the shield alone

    // The flash is over after 20 frames, but the bubble is drawn while it
    // fades, to its last faint frame.
    for (int frame = 2; frame <= 20; frame++) ship.UpdateAndDraw();
    ASSERT_EQ(ship.m_nShieldFlash, 0);
    scene.frame([&] { ship.UpdateAndDraw(); });
    EXPECT_GT(scene.lit(0, 200, 400, 400), 0) << "fading";

    // Faded out: nothing at all is drawn, not even a transparent bubble (a
    // draw would leave its own world transform on the device).
    for (int frame = 0; frame < 40; frame++) ship.UpdateAndDraw();
    D3DMATRIX identity;
    std::memset(&identity, 0, sizeof identity);
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    scene.device()->SetTransform(D3DTS_WORLD, &identity);
    scene.frame([&] { ship.UpdateAndDraw(); });
    EXPECT_EQ(scene.lit(0, 0, 800, 600), 0);
    D3DMATRIX world;
    scene.device()->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(std::memcmp(&world, &identity, sizeof world), 0);
}

}  // namespace
