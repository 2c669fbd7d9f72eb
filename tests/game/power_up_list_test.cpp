// The power-ups: each type's bonus on pick-up (and none for an unknown type),
// the reach in x and y with its strict edge, the lower slot first, the record
// handed back, the spin, and what Draw puts on the device.
#include "PowerUpList.h"

#include "PlayerShip.h"
#include "pool_test_support.h"

#include <gtest/gtest.h>

namespace {

struct Bonus {
    int shields, missiles, fireDelay;
    float accel;
};

Bonus BonusOf(const CPlayerShip& ship) {
    return {ship.m_nShields, ship.m_nMissiles, ship.m_nFireDelay, ship.m_fAccel};
}

TEST(PowerUpListTest, PickUpAppliesItsTypesBonusOnceAndFreesTheSlot) {
    struct Case {
        int type;
        int fireDelayBefore;
        Bonus after;
    };
    // The ship starts with shields 100, missiles 10 and acceleration 0.03.
    const Case cases[] = {
        {POWERUP_SHIELD, 8, {120, 10, 8, 0.03f}},
        {POWERUP_MISSILE, 8, {100, 14, 8, 0.03f}},
        {POWERUP_SPEED, 8, {100, 10, 8, 0.03f + 0.03f}},
        {POWERUP_BLASTER, 8, {100, 10, 7, 0.03f}},
        {POWERUP_BLASTER, 4, {100, 10, 3, 0.03f}},
        {POWERUP_BLASTER, 3, {100, 10, 3, 0.03f}},
        {4, 8, {100, 10, 8, 0.03f}},
        {-1, 8, {100, 10, 8, 0.03f}},
        {1000000, 8, {100, 10, 8, 0.03f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << ", fire delay " << c.fireDelayBefore);
        CPlayerShip ship;
        ship.m_nFireDelay = c.fireDelayBefore;
        CPowerUpList powerUps(5);
        ASSERT_EQ(powerUps.Spawn(0.0f, 0.0f, 250.0f, c.type), 1);
        powerUps.Draw();

        SPowerUp out = {};
        ASSERT_EQ(powerUps.CheckPickup(&ship, &out, 1), 1);
        const Bonus got = BonusOf(ship);
        EXPECT_EQ(got.shields, c.after.shields);
        EXPECT_EQ(got.missiles, c.after.missiles);
        EXPECT_EQ(got.fireDelay, c.after.fireDelay);
        EXPECT_EQ(got.accel, c.after.accel);
        EXPECT_EQ(out.m_nType, c.type);
        EXPECT_EQ(powerUps.m_pPowerUps[0].m_bActive, 0);

        EXPECT_EQ(powerUps.CheckPickup(&ship, &out, 1), 0) << "picked up twice";
        EXPECT_EQ(BonusOf(ship).shields, c.after.shields);
        EXPECT_EQ(BonusOf(ship).missiles, c.after.missiles);
    }
}

TEST(PowerUpListTest, ShieldsAndMissilesGrowWithoutACap) {
    CPlayerShip ship;
    CPowerUpList powerUps(5);
    powerUps.Draw();
    SPowerUp out;
    for (int i = 0; i < 10; i++) {
        powerUps.Spawn(0.0f, 0.0f, 250.0f, i % 2);
        ASSERT_EQ(powerUps.CheckPickup(&ship, &out, 1), 1);
    }
    EXPECT_EQ(ship.m_nShields, 200);
    EXPECT_EQ(ship.m_nMissiles, 30);
}

TEST(PowerUpListTest, ReachIsTheMarginPlusFiftyMeanScalesInXAndYOnlyAndItsEdgeIsOut) {
    struct Case {
        float scaleX, scaleY, scaleZ;  // 0: as Draw left them (0.3)
        int margin;
        float dx, dy;
        bool picked;
    };
    const Case cases[] = {
        {0, 0, 0, 1, 15.9f, 0.0f, true},
        {0, 0, 0, 1, 0.0f, -15.9f, true},
        {0, 0, 0, 1, 16.1f, 0.0f, false},
        {0, 0, 0, 1, 0.0f, 16.1f, false},
        {0, 0, 0, 1, 11.3f, -11.3f, true},   // 15.98 away
        {0, 0, 0, 1, -11.4f, 11.4f, false},  // 16.12 away
        {0, 0, 0, 0, 14.9f, 0.0f, true},
        {0, 0, 0, 0, 15.1f, 0.0f, false},
        {0.2f, 0.3f, 0.4f, 1, 15.9f, 0.0f, true},
        {0.2f, 0.3f, 0.4f, 1, 16.1f, 0.0f, false},
        // Reach exactly 26: a ship exactly that far is out.
        {0.5f, 0.5f, 0.5f, 1, 26.0f, 0.0f, false},
        {0.5f, 0.5f, 0.5f, 1, 10.0f, 24.0f, false},
        {0.5f, 0.5f, 0.5f, 1, 25.99f, 0.0f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scaleX << " " << c.scaleY << " " << c.scaleZ
                                        << ", margin " << c.margin << ", offset (" << c.dx << ", "
                                        << c.dy << ")");
        CPowerUpList powerUps(5);
        powerUps.Spawn(100.0f, -50.0f, 250.0f, POWERUP_SHIELD);
        powerUps.Draw();
        if (c.scaleX != 0) {
            powerUps.m_Mesh.m_fScaleX = c.scaleX;
            powerUps.m_Mesh.m_fScaleY = c.scaleY;
            powerUps.m_Mesh.m_fScaleZ = c.scaleZ;
        }
        CPlayerShip ship;
        ship.m_fX = 100.0f + c.dx;
        ship.m_fY = -50.0f + c.dy;
        ship.m_fZ = 900.0f;  // depth never counts
        SPowerUp out;
        EXPECT_EQ(powerUps.CheckPickup(&ship, &out, c.margin), c.picked ? 1 : 0);
        EXPECT_EQ(powerUps.m_pPowerUps[0].m_bActive, c.picked ? 0 : 1);
    }
}

TEST(PowerUpListTest, LowerSlotIsPickedFirstAndTheRecordIsHandedBack) {
    CPlayerShip ship;
    CPowerUpList powerUps(5);
    powerUps.Spawn(-10.0f, 0.0f, 250.0f, POWERUP_SHIELD);
    powerUps.Spawn(1.0f, 2.0f, 251.0f, POWERUP_MISSILE);  // nearer, but in slot 1
    powerUps.Draw();
    powerUps.Draw();

    SPowerUp out;
    ASSERT_EQ(powerUps.CheckPickup(&ship, &out, 1), 1);
    EXPECT_EQ(out.m_fX, -10.0f);
    EXPECT_EQ(out.m_nType, POWERUP_SHIELD);
    EXPECT_EQ(powerUps.m_pPowerUps[1].m_bActive, 1);

    ASSERT_EQ(powerUps.CheckPickup(&ship, &out, 1), 1);
    EXPECT_EQ(out.m_fX, 1.0f);
    EXPECT_EQ(out.m_fY, 2.0f);
    EXPECT_EQ(out.m_fZ, 251.0f);
    EXPECT_EQ(out.m_fRotX, 16.0f);
    EXPECT_EQ(out.m_fRotY, 16.0f);
    EXPECT_EQ(out.m_fRotZ, 16.0f);
    EXPECT_EQ(out.m_bActive, 0);
    EXPECT_EQ(out.m_nType, POWERUP_MISSILE);

    // Nothing left in reach: the record handed in stays as it was.
    SPowerUp untouched = {7.0f, 7.0f, 7.0f, 7.0f, 7.0f, 7.0f, 7, 7};
    powerUps.Spawn(40.0f, 0.0f, 250.0f, POWERUP_SHIELD);
    EXPECT_EQ(powerUps.CheckPickup(&ship, &untouched, 1), 0);
    EXPECT_EQ(untouched.m_fX, 7.0f);
    EXPECT_EQ(untouched.m_nType, 7);
    EXPECT_EQ(untouched.m_bActive, 7);
    EXPECT_EQ(ship.m_nShields, 120);
    EXPECT_EQ(ship.m_nMissiles, 14);
}

TEST(PowerUpListTest, ActivePowerUpsSpinWithoutWrapUntilClearedAndRespawnUnturned) {
    CPowerUpList powerUps(3);
    powerUps.Spawn(0.0f, 0.0f, 250.0f, POWERUP_SHIELD);
    powerUps.Spawn(5.0f, 0.0f, 250.0f, POWERUP_SHIELD);
    powerUps.Kill(1);
    for (int i = 0; i < 50; i++) powerUps.Draw();
    EXPECT_EQ(powerUps.m_pPowerUps[0].m_fRotX, 400.0f);
    EXPECT_EQ(powerUps.m_pPowerUps[0].m_fRotY, 400.0f);
    EXPECT_EQ(powerUps.m_pPowerUps[0].m_fRotZ, 400.0f);
    EXPECT_EQ(powerUps.m_pPowerUps[1].m_fRotX, 0.0f) << "a free slot turned";

    powerUps.Clear();
    EXPECT_EQ(powerUps.m_pPowerUps[0].m_bActive, 0);
    ASSERT_EQ(powerUps.Spawn(9.0f, 0.0f, 250.0f, POWERUP_MISSILE), 1);
    EXPECT_EQ(powerUps.m_pPowerUps[0].m_fRotX, 0.0f);
    EXPECT_EQ(powerUps.m_pPowerUps[0].m_fRotZ, 0.0f);
}

class PowerUpDrawTest : public pooltest::RunDirDevice {};

TEST_F(PowerUpDrawTest, DrawPlacesTheMeshOnEachActivePowerUpAndBindsItsTexture) {
    CPowerUpList powerUps(5);
    ASSERT_EQ(powerUps.Load(m_device.device()), 1);
    ASSERT_NE(powerUps.m_Mesh.m_pTexture, nullptr);

    powerUps.Draw();
    EXPECT_EQ(boundTexture(), nullptr) << "drawn with no power-up out";

    powerUps.Spawn(1.0f, 2.0f, 250.0f, POWERUP_SHIELD);
    powerUps.Spawn(3.0f, 4.0f, 251.0f, POWERUP_MISSILE);
    powerUps.Draw();
    EXPECT_EQ(boundTexture(), powerUps.m_Mesh.m_pTexture);
    const CMeshObject& m = powerUps.m_Mesh;
    EXPECT_EQ(m.m_fX, 3.0f);
    EXPECT_EQ(m.m_fY, 4.0f);
    EXPECT_EQ(m.m_fZ, 251.0f);
    EXPECT_EQ(m.m_fRotX, 8.0f);
    EXPECT_EQ(m.m_fRotY, 8.0f);
    EXPECT_EQ(m.m_fRotZ, 8.0f);
    EXPECT_EQ(m.m_fScaleX, 0.3f);
    EXPECT_EQ(m.m_fScaleY, 0.3f);
    EXPECT_EQ(m.m_fScaleZ, 0.3f);
}

}  // namespace
