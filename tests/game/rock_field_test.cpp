// The rock field: waves and the stream replayed from a seed, the contact
// rule, the ship's bounce, shots that push, split and destroy, the missile
// blast and the cull, on small pools without a device.
#include "BlasterList.h"
#include "ExplosionList.h"
#include "MissileList.h"
#include "ParticleSystem.h"
#include "PlayerShip.h"
#include "PowerUpList.h"
#include "RockField.h"

#include "dirty_heap.h"
#include "headless_device.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int R(int n) { return rand() % n; }

double Radians(int nDegrees) { return double(float(nDegrees) * 3.1415927f / 180.0f); }

float Distance(float x1, float y1, float x2, float y2) {
    return float(std::sqrt(double(x1 - x2) * double(x1 - x2) + double(y1 - y2) * double(y1 - y2)));
}

int LiveCount(const CRockField& field) {
    int n = 0;
    for (int i = 0; i < field.m_nCount; ++i) n += field.m_pRocks[i].m_nHitPoints != 0;
    return n;
}

// Everything a collision pass touches, small enough to read at a glance.
struct RockFixture : ::testing::Test {
    CRockField field{8};
    CPlayerShip ship;
    CBlasterList shots{4};
    CMissileList missiles{4};
    CPowerUpList powerUps{5};
    CExplosionList explosions{200};
    CParticleSystem sparks;

    RockFixture() { sparks.Create(2000, nullptr, 0xFFFFFFFF); }

    // A still rock written straight into slot i.
    SRock& Put(int i, float x, float y, float sx, float sy, float sz, int hitPoints) {
        SRock& rock = field.m_pRocks[i];
        rock = SRock{};
        rock.m_fX = x;
        rock.m_fY = y;
        rock.m_fZ = 250.0f;
        rock.m_fScaleX = sx;
        rock.m_fScaleY = sy;
        rock.m_fScaleZ = sz;
        rock.m_fMass = sx + sy + sz;
        rock.m_nHitPoints = hitPoints;
        return rock;
    }
    SRock& Put(int i, float x, float y, float scale, int hitPoints) {
        return Put(i, x, y, scale, scale, scale, hitPoints);
    }

    SBlasterShot& Shot(int s, float x, float y, float vx, float vy, int damage) {
        SBlasterShot& shot = shots.m_pShots[s];
        shot = SBlasterShot{x, y, 250.0f, vx, vy, 0.0f, 100, damage};
        return shot;
    }

    SMissile& Missile(int m, float x, float y, int damage) {
        SMissile& missile = missiles.m_pMissiles[m];
        missile = SMissile{x, y, 250.0f, 0.0f, 0.0f, 100, damage, 2.5f};
        return missile;
    }

    int Shoot() { return field.CollideShots(&shots, &ship, &sparks, &powerUps, &explosions); }
    int Blast() { return field.CollideMissiles(&missiles, &ship, &sparks, &explosions); }

    int ActivePowerUps() {
        int n = 0;
        for (int i = 0; i < powerUps.m_nCount; ++i) n += powerUps.m_pPowerUps[i].m_bActive;
        return n;
    }
};

// ---------------------------------------------------------------- records

TEST(RockFieldRecords, EveryRecordStartsZeroedEvenOnReusedMemory) {
    // A dirty block of the same size, freed just before, is what the field's
    // allocation most likely receives.
    const int capacity = 64;
    dirtyHeap(sizeof(SRock) * (capacity + 1));
    CRockField field(capacity);
    const SRock zero{};
    for (int i = 0; i <= capacity; ++i)
        EXPECT_EQ(0, std::memcmp(&zero, &field.m_pRocks[i], sizeof(SRock))) << "slot " << i;
    EXPECT_EQ(0, field.m_nStreamCounter);

    // Free slots count their cooldown down only while it is non-zero: a
    // zeroed free slot stays at zero.
    field.Update();
    EXPECT_EQ(0, field.m_pRocks[3].m_nHitCooldown);
}

TEST(RockFieldRecords, AddTakesLowestFreeSlotKeepsRotationAndFailsWhenFull) {
    CRockField field(3);
    field.m_pRocks[1].m_fRotX = 40.0f;  // left by an earlier rock
    field.m_pRocks[1].m_nHitCooldown = 6;  // a bounced rock blasted away
    srand(5);
    ASSERT_EQ(1, field.Add(1, 2, 250, 0.2f, 0.24f, 0.28f, 0.5f, -0.5f, 40));
    field.Kill(1);  // nothing there: no effect
    ASSERT_EQ(1, field.Add(3, 4, 250, 0.16f, 0.16f, 0.16f, 0, 0, 7));
    ASSERT_EQ(1, field.Add(5, 6, 250, 0.36f, 0.36f, 0.36f, 0, 0, 9));
    const int before = rand();
    srand(5);
    for (int i = 0; i < 9; ++i) rand();
    EXPECT_EQ(before, rand()) << "three spin draws per rock";

    EXPECT_EQ(0, field.Add(7, 8, 250, 0.2f, 0.2f, 0.2f, 0, 0, 5)) << "every slot live";
    EXPECT_EQ(40, field.m_pRocks[0].m_nHitPoints);
    EXPECT_FLOAT_EQ(0.2f + 0.24f + 0.28f, field.m_pRocks[0].m_fMass);
    EXPECT_EQ(40.0f, field.m_pRocks[1].m_fRotX) << "a new rock keeps the slot's rotation";
    EXPECT_EQ(0, field.m_pRocks[1].m_nHitCooldown) << "but can be hit at once";
    for (int i = 0; i < 3; ++i) {
        const SRock& rock = field.m_pRocks[i];
        for (float spin : {rock.m_fSpinX, rock.m_fSpinY, rock.m_fSpinZ}) {
            EXPECT_GE(spin, 0.1f - 1e-6f);
            EXPECT_LE(spin, 0.9f + 1e-6f);
        }
    }
    field.Kill(1);
    ASSERT_EQ(1, field.Add(7, 8, 250, 0.2f, 0.2f, 0.2f, 0, 0, 5));
    EXPECT_EQ(7.0f, field.m_pRocks[1].m_fX);
    field.Clear();
    EXPECT_EQ(0, LiveCount(field));

    // An index past the slots is refused: the spare record after them is not written.
    field.m_pRocks[3].m_nHitPoints = 9;
    field.Kill(3);
    EXPECT_EQ(9, field.m_pRocks[3].m_nHitPoints);
}

TEST(RockFieldRecords, UpdateMovesAndSpinsLiveRocksAndCountsEveryCooldownDown) {
    CRockField field(3);
    SRock& live = field.m_pRocks[0];
    live = SRock{1, 2, 250, 10, 20, 30, 0.2f, 0.2f, 0.2f, 0.1f, 0.5f, 0.9f, 0.5f, -2, 0.6f, 3, 40};
    SRock& freed = field.m_pRocks[1];
    freed = SRock{5, 5, 250, 0, 0, 0, 0.2f, 0.2f, 0.2f, 0.3f, 0.3f, 0.3f, 1, 1, 0.6f, 2, 0};
    field.Update();
    EXPECT_FLOAT_EQ(1.5f, live.m_fX);
    EXPECT_FLOAT_EQ(0.0f, live.m_fY);
    EXPECT_FLOAT_EQ(10.1f, live.m_fRotX);
    EXPECT_FLOAT_EQ(20.5f, live.m_fRotY);
    EXPECT_FLOAT_EQ(30.9f, live.m_fRotZ);
    EXPECT_EQ(2, live.m_nHitCooldown);
    EXPECT_EQ(5.0f, freed.m_fX) << "free slots do not move";
    EXPECT_EQ(0.0f, freed.m_fRotX);
    EXPECT_EQ(1, freed.m_nHitCooldown) << "but they count down";
    field.Update();
    field.Update();
    EXPECT_EQ(0, freed.m_nHitCooldown);
    EXPECT_EQ(0, live.m_nHitCooldown);
}

TEST(RockFieldRecords, DrawPlacesTheMeshFromEachLiveRockInRecordOrder) {
    CRockField field(4);  // no mesh loaded: Draw only places it
    field.m_pRocks[1] = SRock{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0, 0, 0, 10};
    field.m_pRocks[3] = SRock{-1, -2, -3, -4, -5, -6, -7, -8, -9, 0, 0, 0, 0, 0, 0, 0, 0};  // free
    field.Draw();
    const CMeshObject& mesh = field.m_Mesh;
    const float placed[9] = {mesh.m_fX,    mesh.m_fY,     mesh.m_fZ,     mesh.m_fRotX,  mesh.m_fRotY,
                             mesh.m_fRotZ, mesh.m_fScaleX, mesh.m_fScaleY, mesh.m_fScaleZ};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(float(k + 1), placed[k]) << "placement float " << k;
}

TEST(RockFieldRecords, LoadsTheRockMeshFromTheRunDirectory) {
    HeadlessDevice device;
    ASSERT_NE(nullptr, device.device());
    char previous[4096];
    ASSERT_NE(nullptr, getcwd(previous, sizeof previous));
    ASSERT_EQ(0, chdir(testenv::runDir().c_str()));
    CRockField field(2);
    EXPECT_EQ(1, field.Load(device.device()));
    EXPECT_EQ(device.device(), field.m_pDevice);
    EXPECT_NE(nullptr, field.m_Mesh.m_pMesh[0]);
    EXPECT_NE(nullptr, field.m_Mesh.m_pTexture);
    ASSERT_EQ(0, chdir(previous));
}

// ---------------------------------------------------------------- waves

const float kScales[] = {0.16f, 0.2f, 0.24f, 0.28f, 0.32f, 0.36f};

bool IsWaveScale(float s) {
    for (float k : kScales)
        if (s == k) return true;
    return false;
}

TEST(RockFieldWave, HundredRocksAwayFromTheShipWithTheirDrawsInOrder) {
    struct Case {
        unsigned seed;
        float shipX, shipY;
    };
    for (const Case& c : {Case{1, 0, 0}, Case{77, 0, 0}, Case{2024, 420, -380}}) {
        SCOPED_TRACE(c.seed);
        CRockField field(120);
        CPlayerShip ship;
        ship.m_fX = c.shipX;
        ship.m_fY = c.shipY;
        srand(c.seed);
        field.SpawnWave(&ship, 100.0f);
        const int after = rand();
        EXPECT_EQ(100, LiveCount(field));

        // The same wave drawn by hand: position until far enough, hit points,
        // scales z, y, x, then the three spins.
        srand(c.seed);
        for (int i = 0; i < 100; ++i) {
            SCOPED_TRACE(i);
            float x, y;
            do {
                x = float(500 - R(1000));
                y = float(500 - R(1000));
            } while (Distance(x, y, c.shipX, c.shipY) < 100.0f);
            const int hp = 31 + R(30);
            const float sz = float(4 + R(6)) / 25.0f, sy = float(4 + R(6)) / 25.0f,
                        sx = float(4 + R(6)) / 25.0f;
            const float spinX = float(R(9) + 1) / 10.0f, spinY = float(R(9) + 1) / 10.0f,
                        spinZ = float(R(9) + 1) / 10.0f;
            const SRock& rock = field.m_pRocks[i];
            ASSERT_EQ(x, rock.m_fX);
            ASSERT_EQ(y, rock.m_fY);
            ASSERT_EQ(250.0f, rock.m_fZ);
            ASSERT_EQ(hp, rock.m_nHitPoints);
            ASSERT_EQ(sx, rock.m_fScaleX);
            ASSERT_EQ(sy, rock.m_fScaleY);
            ASSERT_EQ(sz, rock.m_fScaleZ);
            ASSERT_EQ(spinX, rock.m_fSpinX);
            ASSERT_EQ(spinY, rock.m_fSpinY);
            ASSERT_EQ(spinZ, rock.m_fSpinZ);
            EXPECT_GE(Distance(rock.m_fX, rock.m_fY, c.shipX, c.shipY), 100.0f);
            EXPECT_GE(rock.m_nHitPoints, 31);
            EXPECT_LE(rock.m_nHitPoints, 60);
            EXPECT_TRUE(IsWaveScale(rock.m_fScaleX) && IsWaveScale(rock.m_fScaleY) &&
                        IsWaveScale(rock.m_fScaleZ));
            EXPECT_EQ(rock.m_fScaleX + rock.m_fScaleY + rock.m_fScaleZ, rock.m_fMass);
            EXPECT_EQ(0.0f, rock.m_fVelX);
            EXPECT_EQ(0.0f, rock.m_fVelY);
        }
        EXPECT_EQ(after, rand()) << "no extra draws";
    }
}

TEST(RockFieldWave, SameSeedSameWave) {
    CRockField first(100), second(100);
    CPlayerShip ship;
    srand(31337);
    first.SpawnWave(&ship, 100.0f);
    second.SpawnWave(&ship, 100.0f);  // a different stretch of the sequence
    EXPECT_NE(0, std::memcmp(first.m_pRocks, second.m_pRocks, sizeof(SRock) * 100));
    second.Clear();
    srand(31337);
    second.SpawnWave(&ship, 100.0f);
    EXPECT_EQ(0, std::memcmp(first.m_pRocks, second.m_pRocks, sizeof(SRock) * 101));
}

TEST(RockFieldWave, EndsWhenNoPositionIsFarEnoughAndDropsThoseRocks) {
    CRockField field(100);
    CPlayerShip ship;
    srand(3);
    field.SpawnWave(&ship, 5000.0f);  // farther than any corner of the square
    EXPECT_EQ(0, LiveCount(field));
    // With the ship far outside the square every position is far enough.
    ship.m_fX = 6000.0f;
    field.SpawnWave(&ship, 5000.0f);
    EXPECT_EQ(100, LiveCount(field));
}

TEST(RockFieldWave, FullFieldDropsTheRest) {
    CRockField field(30);
    CPlayerShip ship;
    srand(9);
    field.SpawnWave(&ship, 100.0f);
    EXPECT_EQ(30, LiveCount(field));
}

// ---------------------------------------------------------------- contact rule

TEST(RockFieldHitTest, StrictlyInsideMarginPlusRadiusInXAndYOnly) {
    // Scale 0.25 on every axis: the radius is exactly 12.5.
    struct Case {
        float dx, dy;
        int margin;
        int expected;
    };
    const Case cases[] = {
        {12.49f, 0, 0, 1}, {12.5f, 0, 0, 0},     {0, -12.49f, 0, 1},  {7.5f, 10.0f, 0, 0},
        {22.49f, 0, 10, 1}, {22.5f, 0, 10, 0},   {0, 22.5f, 10, 0},   {13.5f, 18.0f, 10, 0},
        {13.4f, 18.0f, 10, 1}, {13.49f, 0, 1, 1}, {13.5f, 0, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy << " margin " << c.margin);
        CRockField field(3);
        SRock& rock = field.m_pRocks[1];
        rock.m_fX = 100.0f;
        rock.m_fY = -50.0f;
        rock.m_fZ = 900.0f;  // z plays no part
        rock.m_fScaleX = rock.m_fScaleY = rock.m_fScaleZ = 0.25f;
        rock.m_nHitPoints = 3;
        EXPECT_EQ(c.expected ? 2 : 0, field.HitTest(100.0f + c.dx, -50.0f + c.dy, c.margin));
    }
}

TEST_F(RockFixture, OverlappingRocksTheLowerSlotIsHit) {
    Put(2, 0, 0, 0.36f, 40);
    Put(5, 3, 0, 0.36f, 40);
    EXPECT_EQ(3, field.HitTest(1.0f, 0.0f, 0));
    Shot(0, 1.0f, 0.0f, 0, 0, 10);
    EXPECT_EQ(0, Shoot());
    EXPECT_EQ(30, field.m_pRocks[2].m_nHitPoints);
    EXPECT_EQ(40, field.m_pRocks[5].m_nHitPoints) << "a shot hits one rock only";
    EXPECT_EQ(0, shots.m_pShots[0].m_nLife);
}

TEST_F(RockFixture, SkipsFreeAndCoolingRocks) {
    Put(0, 0, 0, 0.36f, 0);
    Put(1, 0, 0, 0.36f, 40).m_nHitCooldown = 1;
    Put(2, 0, 0, 0.36f, 40);
    EXPECT_EQ(3, field.HitTest(0, 0, 0));
}

// ---------------------------------------------------------------- ship contact

TEST_F(RockFixture, ShipBounceExchangesMomentumAndCostsShields) {
    struct Case {
        float scale;  // all three axes
        float rockVelX, rockVelY;
        float shipVelX, shipVelY;
        int hitPoints;
        int shieldLoss;
        int hitPointsAfter;
        int shields;  // before the contact
        int flash;    // the shield's flash after it
    };
    const Case cases[] = {
        // scale 0.2: mass 0.6, f just above 0.2
        {0.2f, 0, 0, 1, 0, 40, 2, 35, 100, 20},
        {0.2f, -0.5f, 0.25f, 1, -1, 40, 2, 35, 100, 20},
        {0.16f, 0.3f, 0, 0, 0.5f, 8, 1, 3, 100, 20},  // f just below 0.16: one shield point
        {0.24f, 0, 0, 2, 0, 5, 2, 0, 100, 20},        // 5 hit points: it leaves the field
        {0.36f, 0, 0, 0.5f, 0, 3, 3, 0, 100, 20},
        {0.08f, 0, 0, 0.5f, 0, 9, 0, 4, 100, 20},     // a small fragment costs nothing
        // The shield flashes before the loss: the hit that destroys the ship still shows.
        {0.36f, 0, 0, 0.5f, 0, 40, 3, 35, 2, 20},
        {0.36f, 0, 0, 0.5f, 0, 40, 3, 35, -1, 0},     // already destroyed: no flash
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale << " rock vel " << c.rockVelX);
        field.Clear();
        ship.Reset();
        ship.m_nShields = c.shields;
        ship.m_fX = 40.0f;
        ship.m_fY = 10.0f;
        ship.m_fVelX = c.shipVelX;
        ship.m_fVelY = c.shipVelY;
        SRock& rock = Put(3, 40.0f + 6.0f, 10.0f + 8.0f, c.scale, c.hitPoints);  // 10 away along (0.6, 0.8)
        rock.m_fVelX = c.rockVelX;
        rock.m_fVelY = c.rockVelY;
        const float m1 = 1.0f, m2 = 3.0f * c.scale;
        const double momentumX = m1 * c.shipVelX + m2 * c.rockVelX;
        const double momentumY = m1 * c.shipVelY + m2 * c.rockVelY;

        field.CollideShip(&ship, &sparks);

        const float u = 2.0f * (-c.rockVelX * 0.6f - c.rockVelY * 0.8f);
        EXPECT_NEAR(c.rockVelX + 0.6f * u + m1 * c.shipVelX / m2, rock.m_fVelX, 1e-5);
        EXPECT_NEAR(c.rockVelY + 0.8f * u + m1 * c.shipVelY / m2, rock.m_fVelY, 1e-5);
        EXPECT_NEAR(c.shipVelX + (m2 * c.rockVelX - m1 * c.shipVelX) / m1, ship.m_fVelX, 1e-5);
        EXPECT_NEAR(c.shipVelY + (m2 * c.rockVelY - m1 * c.shipVelY) / m1, ship.m_fVelY, 1e-5);
        if (c.rockVelX == 0 && c.rockVelY == 0) {
            // A rock at rest takes exactly the ship's momentum.
            EXPECT_NEAR(momentumX, m2 * rock.m_fVelX + m1 * ship.m_fVelX, 1e-5);
            EXPECT_NEAR(momentumY, m2 * rock.m_fVelY + m1 * ship.m_fVelY, 1e-5);
        }
        EXPECT_EQ(c.shields - c.shieldLoss, ship.m_nShields);
        EXPECT_EQ(c.hitPointsAfter, rock.m_nHitPoints);
        EXPECT_EQ(10, rock.m_nHitCooldown);
        EXPECT_EQ(c.flash, ship.m_nShieldFlash);
        EXPECT_EQ(0, ship.m_nScore) << "a bounce scores nothing";
    }
}

TEST_F(RockFixture, ShipContactUsesMarginTenAndDrawsTwoSparks) {
    Put(0, 0, 0, 0.25f, 40);  // radius 12.5, reach 22.5 for the ship
    ship.m_fX = 22.5f;
    srand(4);
    field.CollideShip(&ship, &sparks);
    EXPECT_EQ(100, ship.m_nShields);
    const int next = rand();
    srand(4);
    EXPECT_EQ(rand(), next) << "no draws without a contact";

    ship.m_fX = 22.4f;
    srand(4);
    field.CollideShip(&ship, &sparks);
    EXPECT_EQ(98, ship.m_nShields);
    const int after = rand();
    srand(4);
    int life[2];
    float vx[2], vy[2];
    for (int n = 0; n < 2; ++n) {
        life[n] = 10 + R(20);
        vy[n] = float(std::sin(Radians(R(360))));
        vx[n] = float(std::cos(Radians(R(360))));
    }
    EXPECT_EQ(after, rand());
    for (int n = 0; n < 2; ++n) {
        const SParticle& p = sparks.m_pParticles[n];
        EXPECT_EQ(life[n], p.m_nLife);
        EXPECT_EQ(vx[n], p.m_fVelX);
        EXPECT_EQ(vy[n], p.m_fVelY);
        EXPECT_EQ(245.0f, p.m_fZ);
    }
}

TEST_F(RockFixture, ShipOnTheRocksCentreStaysFinite) {
    struct Case {
        float shipVelX, shipVelY;
        float rockVelX, rockVelY;
        float normalX, normalY;  // the direction the bounce takes
    };
    const Case cases[] = {
        {0, 2, 0.3f, -0.5f, 0, 1},    // along the ship's flight
        {-3, 0, 0.5f, 0.5f, -1, 0},
        {0, 0, 0.5f, -0.25f, 1, 0},   // a ship at rest: +x
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.shipVelX << "," << c.shipVelY);
        field.Clear();
        ship.Reset();
        ship.m_fX = 12.0f;
        ship.m_fY = -7.0f;
        ship.m_fVelX = c.shipVelX;
        ship.m_fVelY = c.shipVelY;
        SRock& rock = Put(0, 12.0f, -7.0f, 0.2f, 40);
        rock.m_fVelX = c.rockVelX;
        rock.m_fVelY = c.rockVelY;
        field.CollideShip(&ship, &sparks);
        for (float v : {rock.m_fVelX, rock.m_fVelY, ship.m_fVelX, ship.m_fVelY}) EXPECT_TRUE(std::isfinite(v));
        const float m2 = rock.m_fMass;
        const float u = 2.0f * (-c.rockVelX * c.normalX - c.rockVelY * c.normalY);
        EXPECT_NEAR(c.rockVelX + c.normalX * u + c.shipVelX / m2, rock.m_fVelX, 1e-5);
        EXPECT_NEAR(c.rockVelY + c.normalY * u + c.shipVelY / m2, rock.m_fVelY, 1e-5);
        EXPECT_NEAR(m2 * c.rockVelX, ship.m_fVelX, 1e-5);
        EXPECT_NEAR(m2 * c.rockVelY, ship.m_fVelY, 1e-5);
    }
}

TEST_F(RockFixture, BouncedRockIsOutOfReachForTenFramesButNotOfABlast) {
    Put(0, 15, 0, 0.2f, 40);
    ship.m_fVelX = 1.0f;
    field.CollideShip(&ship, &sparks);
    ASSERT_EQ(10, field.m_pRocks[0].m_nHitCooldown);
    ship.m_fX = 500.0f;  // out of the way
    const float x = field.m_pRocks[0].m_fX;
    for (int frame = 0; frame < 10; ++frame) {
        SCOPED_TRACE(frame);
        const SRock& rock = field.m_pRocks[0];
        Shot(0, rock.m_fX, rock.m_fY, 0, 0, 100);
        EXPECT_EQ(0, Shoot());
        EXPECT_EQ(100, shots.m_pShots[0].m_nLife) << "the shot flies on";
        Missile(0, rock.m_fX, rock.m_fY, 100);
        EXPECT_EQ(0, Blast());
        field.Update();
    }
    EXPECT_NE(x, field.m_pRocks[0].m_fX) << "it drifted off with the ship's momentum";
    EXPECT_EQ(1, field.HitTest(field.m_pRocks[0].m_fX, field.m_pRocks[0].m_fY, 0)) << "tenth frame";

    // Cooling down again, a blast at a rock nearby still reaches it.
    field.m_pRocks[0].m_nHitCooldown = 10;
    Put(1, field.m_pRocks[0].m_fX + 40.0f, field.m_pRocks[0].m_fY, 0.2f, 40);
    Missile(0, field.m_pRocks[1].m_fX, field.m_pRocks[1].m_fY, 100);
    EXPECT_EQ(1, Blast());
    EXPECT_EQ(0, LiveCount(field));
}

// ---------------------------------------------------------------- shots

// The draws of one destroying shot up to the power-up roll: 8 sparks of five
// draws, 3 explosions of three.
const int kDrawsBeforePowerUpRoll = 8 * 5 + 3 * 3;

unsigned SeedWithPowerUpRoll(bool wanted) {
    for (unsigned seed = 1;; ++seed) {
        srand(seed);
        for (int i = 0; i < kDrawsBeforePowerUpRoll; ++i) rand();
        if ((R(30) == 0) == wanted) return seed;
    }
}

TEST_F(RockFixture, DestroyedLargeRockSplitsIntoFourLowestFreeSlots) {
    for (bool powerUp : {false, true}) {
        SCOPED_TRACE(powerUp ? "with a power-up" : "without");
        field.Clear();
        powerUps.Clear();
        ship.Reset();
        ship.m_nScore = 10;
        Put(0, 300, 300, 0.2f, 40);
        Put(2, 300, 300, 0.2f, 40);
        // Scales 0.36, 0.32, 0.28: f = 0.32 (just above), so 25 f is worth 8.
        Put(4, -20, 30, 0.36f, 0.32f, 0.28f, 6);
        Put(6, 300, 300, 0.2f, 40);
        Shot(1, -20 + 3, 30 - 2, 3.0f, -1.5f, 6);
        const unsigned seed = SeedWithPowerUpRoll(powerUp);
        srand(seed);
        EXPECT_EQ(1, Shoot());
        const int after = rand();

        // The fragments' draws, replayed.
        srand(seed);
        for (int i = 0; i < kDrawsBeforePowerUpRoll; ++i) rand();
        int type = -1;
        if (R(30) == 0) type = R(2);
        const int slots[4] = {1, 3, 4, 5};
        for (int n = 0; n < 4; ++n) {
            SCOPED_TRACE(n);
            const int a = R(360), p = 5 + R(5), b = R(360), q = 5 + R(5);
            const float spinX = float(R(9) + 1) / 10.0f, spinY = float(R(9) + 1) / 10.0f,
                        spinZ = float(R(9) + 1) / 10.0f;
            const SRock& f = field.m_pRocks[slots[n]];
            EXPECT_EQ(8, f.m_nHitPoints);
            EXPECT_EQ(-20.0f, f.m_fX);
            EXPECT_EQ(30.0f, f.m_fY);
            EXPECT_EQ(250.0f, f.m_fZ);
            EXPECT_EQ(0.18f, f.m_fScaleX);
            EXPECT_EQ(0.16f, f.m_fScaleY);
            EXPECT_EQ(0.14f, f.m_fScaleZ);
            EXPECT_EQ(float(std::sin(Radians(a)) / p), f.m_fVelY);
            EXPECT_EQ(float(std::cos(Radians(b)) / q), f.m_fVelX);
            EXPECT_EQ(spinX, f.m_fSpinX);
            EXPECT_EQ(spinY, f.m_fSpinY);
            EXPECT_EQ(spinZ, f.m_fSpinZ);
            EXPECT_EQ(0, f.m_nHitCooldown);
        }
        EXPECT_EQ(after, rand());
        EXPECT_EQ(0, field.m_pRocks[7].m_nHitPoints);
        EXPECT_EQ(7, LiveCount(field)) << "three bystanders and four fragments in eight slots";
        EXPECT_EQ(18, ship.m_nScore);
        EXPECT_EQ(0, shots.m_pShots[1].m_nLife);

        EXPECT_EQ(powerUp ? 1 : 0, ActivePowerUps());
        if (powerUp) {
            const SPowerUp& p = powerUps.m_pPowerUps[0];
            EXPECT_EQ(type, p.m_nType);
            EXPECT_EQ(-20.0f, p.m_fX);
            EXPECT_EQ(30.0f, p.m_fY);
        }
    }
}

TEST_F(RockFixture, SizeFactorDecidesScoreSplitAndFragmentHitPoints) {
    struct Case {
        float scale;  // all three axes
        int score;
        bool splits;
        int fragmentHitPoints;
    };
    const Case cases[] = {
        {0.16f, 3, true, 3},  // just below 0.16 in single precision: 3, not 4
        {0.2f, 5, true, 5},
        {0.24f, 5, true, 5},  // just below 0.24
        {0.32f, 7, true, 7},
        {0.36f, 9, true, 9},
        {0.18f, 4, true, 4},  // a fragment of a 0.36 rock splits once more
        {0.14f, 3, false, 0}, // a fragment of a 0.28 rock does not
        {0.08f, 1, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        field.Clear();
        ship.m_nScore = 0;
        Put(0, 50, 50, c.scale, 1);
        Shot(0, 50, 50, 0, 0, 6);
        EXPECT_EQ(1, Shoot());
        EXPECT_EQ(c.score, ship.m_nScore);
        EXPECT_EQ(c.splits ? 4 : 0, LiveCount(field));
        if (!c.splits) EXPECT_EQ(0, field.m_pRocks[0].m_nHitPoints) << "a free slot, not one below 0";
        for (int i = 0; i < LiveCount(field); ++i) {
            EXPECT_EQ(c.fragmentHitPoints, field.m_pRocks[i].m_nHitPoints);
            EXPECT_EQ(c.scale / 2.0f, field.m_pRocks[i].m_fScaleX);
        }
    }
}

TEST_F(RockFixture, ShotThatDoesNotDestroyPushesAndDamages) {
    SRock& rock = Put(3, 0, 0, 0.2f, 40);
    Shot(2, 2, 2, 3.0f, -1.5f, 15);
    srand(8);
    EXPECT_EQ(0, Shoot());
    const int after = rand();
    srand(8);
    for (int i = 0; i < kDrawsBeforePowerUpRoll; ++i) rand();
    EXPECT_EQ(after, rand()) << "sparks and explosions only";
    EXPECT_EQ(25, rock.m_nHitPoints);
    EXPECT_FLOAT_EQ(3.0f * 0.01f / 0.6f, rock.m_fVelX);
    EXPECT_FLOAT_EQ(-1.5f * 0.01f / 0.6f, rock.m_fVelY);
    EXPECT_EQ(0, shots.m_pShots[2].m_nLife);
    EXPECT_EQ(0, ship.m_nScore);
    int live = 0;
    for (int i = 0; i < explosions.m_nCount; ++i) live += explosions.m_pExplosions[i].m_bActive;
    EXPECT_EQ(3, live);
    // After the sparks, each puff draws its offsets for z, then y, then x.
    srand(8);
    for (int i = 0; i < 8 * 5; ++i) rand();
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const int dz = R(6), dy = R(6), dx = R(6);
        const SExplosion& e = explosions.m_pExplosions[i];
        EXPECT_EQ(2.0f + float(dx - 3), e.m_fX);
        EXPECT_EQ(2.0f + float(dy - 3), e.m_fY);
        EXPECT_EQ(250.0f + float(dz - 3), e.m_fZ);
        EXPECT_EQ(0.3f, e.m_fSizeX);
        EXPECT_EQ(D3DCOLOR(D3DXCOLOR(1, 1, 1, 0.3f)), e.m_Colour);
    }
}

TEST_F(RockFixture, DeadShotsHitNothing) {
    Put(0, 0, 0, 0.36f, 5);
    Shot(0, 0, 0, 0, 0, 50).m_nLife = 0;
    srand(2);
    EXPECT_EQ(0, Shoot());
    EXPECT_EQ(5, field.m_pRocks[0].m_nHitPoints);
    const int after = rand();
    srand(2);
    EXPECT_EQ(after, rand());
}

TEST_F(RockFixture, FullFieldKeepsOnlyTheFirstFragmentInTheRocksOwnSlot) {
    for (int i = 0; i < field.m_nCount; ++i) Put(i, 200.0f + i * 40, 0, 0.2f, 40);
    Put(5, 0, 0, 0.36f, 1);
    Shot(0, 0, 0, 0, 0, 1);
    EXPECT_EQ(1, Shoot());
    EXPECT_EQ(8, LiveCount(field));
    EXPECT_EQ(0.18f, field.m_pRocks[5].m_fScaleX);
    EXPECT_EQ(9, field.m_pRocks[5].m_nHitPoints);
}

// ---------------------------------------------------------------- missiles

TEST_F(RockFixture, BlastClearsEveryRockWithinSixtyAndNoneBeyond) {
    struct Placed {
        float dx, dy;
        bool destroyed;
    };
    const Placed placed[] = {
        {1, 0, true},     // the one the missile touches
        {30, 0, true},   {0, -59.5f, true}, {36, 47.9f, true},  // 59.92
        {60, 0, false},  {0, 60, false},    {36, 48, false},    // exactly 60
        {-61, 0, false},
    };
    const float mx = -100.0f, my = 40.0f;
    int expectedScore = 0;
    for (int i = 0; i < 8; ++i) {
        Put(i, mx + placed[i].dx, my + placed[i].dy, 0.2f, 40);
        if (placed[i].destroyed) expectedScore += 5;
    }
    field.m_pRocks[2].m_nHitCooldown = 4;  // cooling down: the blast still reaches it
    Missile(2, mx, my, 100);
    EXPECT_EQ(1, Blast());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(placed[i].destroyed ? 0 : 40, field.m_pRocks[i].m_nHitPoints) << "rock " << i;
    EXPECT_EQ(expectedScore, ship.m_nScore);
    EXPECT_EQ(0, missiles.m_pMissiles[2].m_nLife);
    EXPECT_EQ(0, ActivePowerUps()) << "a blast leaves no power-ups";
    EXPECT_EQ(4, LiveCount(field)) << "and splits nothing";

    // A second missile in the same place touches nothing now.
    Missile(3, mx, my, 100);
    EXPECT_EQ(0, Blast());
    EXPECT_EQ(100, missiles.m_pMissiles[3].m_nLife);
    EXPECT_EQ(expectedScore, ship.m_nScore);
}

TEST_F(RockFixture, BlastDrawsInItsOrder) {
    Put(0, 0, 0, 0.16f, 40);
    Put(1, 20, 0, 0.36f, 40);
    Missile(0, 0, 0, 10);
    srand(21);
    EXPECT_EQ(1, Blast());
    const int after = rand();
    EXPECT_EQ(3 + 9, ship.m_nScore);

    // The missile's own fifty sparks, replayed.
    srand(21);
    for (int n = 0; n < 50; ++n) {
        SCOPED_TRACE(n);
        const int life = 10 + R(40);
        const int a = R(360), m = R(5), b = R(360), k = R(5);
        const SParticle& p = sparks.m_pParticles[n];
        EXPECT_EQ(life, p.m_nLife);
        EXPECT_EQ(float(m * std::sin(Radians(a)) / 5.0), p.m_fVelY);
        EXPECT_EQ(float(k * std::cos(Radians(b)) / 5.0), p.m_fVelX);
        EXPECT_EQ(245.0f, p.m_fZ);
    }
    struct Puff {
        float size, alpha, z, y, x;
    };
    std::vector<Puff> puffs;
    for (int n = 0; n < 15; ++n) {
        const float s = float(1 + R(5)) / 10.0f, alpha = float(1 + R(10)) / 10.0f;
        const float z = float(235 + R(30));
        const float y = float(R(40) - 20);
        const float x = float(R(40) - 20);
        puffs.push_back({s, alpha, z, y, x});
    }
    for (int rock = 0; rock < 2; ++rock) {
        for (int i = 0; i < 50 * 5; ++i) rand();
        const float s = float(1 + R(5)) / 10.0f;
        const float z = 250.0f + float(R(20) - 10);
        puffs.push_back({s, 0.4f, z, 0, rock == 0 ? 0.0f : 20.0f});
    }
    EXPECT_EQ(after, rand());
    for (size_t n = 0; n < puffs.size(); ++n) {
        SCOPED_TRACE(n);
        const SExplosion& e = explosions.m_pExplosions[n];
        EXPECT_EQ(puffs[n].size, e.m_fSizeX);
        EXPECT_EQ(puffs[n].size, e.m_fSizeY);
        EXPECT_EQ(puffs[n].z, e.m_fZ);
        EXPECT_EQ(puffs[n].x, e.m_fX);
        EXPECT_EQ(puffs[n].y, e.m_fY);
        EXPECT_EQ(D3DCOLOR(D3DXCOLOR(1, 1, 1, puffs[n].alpha)), e.m_Colour);
    }
    EXPECT_EQ(150, [&] {
        int n = 0;
        for (int i = 0; i < sparks.m_nCount; ++i) n += sparks.m_pParticles[i].m_nLife != 0;
        return n;
    }());
}

TEST_F(RockFixture, DeadMissilesTouchNothing) {
    Put(0, 0, 0, 0.36f, 40);
    Missile(0, 0, 0, 10).m_nLife = 0;
    EXPECT_EQ(0, Blast());
    EXPECT_EQ(40, field.m_pRocks[0].m_nHitPoints);
}

// ---------------------------------------------------------------- stream and cull

TEST(RockFieldStream, OneRockPerIntervalShorterEachWave) {
    struct Case {
        int wave;
        int period;
    };
    for (const Case& c : {Case{1, 75}, Case{2, 74}, Case{5, 71}}) {
        SCOPED_TRACE(c.wave);
        CRockField field(20);
        CPlayerShip ship;
        ship.m_fX = 250.0f;
        ship.m_fY = -90.0f;
        srand(11);
        std::vector<int> frames;
        for (int frame = 1; frame <= 3 * c.period; ++frame) {
            const int before = LiveCount(field);
            field.Stream(&ship, 75, c.wave, 350);
            if (LiveCount(field) != before) frames.push_back(frame);
        }
        EXPECT_EQ(75 - c.wave, field.m_nStreamInterval);
        EXPECT_EQ((std::vector<int>{c.period, 2 * c.period, 3 * c.period}), frames);
        for (int i = 0; i < 3; ++i) {
            const SRock& rock = field.m_pRocks[i];
            const float d = Distance(rock.m_fX, rock.m_fY, ship.m_fX, ship.m_fY);
            EXPECT_GE(d, 350.0f);
            EXPECT_LT(d, 495.1f);
            EXPECT_NEAR(-(rock.m_fX - ship.m_fX) / d, rock.m_fVelX, 1e-6);
            EXPECT_NEAR(-(rock.m_fY - ship.m_fY) / d, rock.m_fVelY, 1e-6);
            EXPECT_NEAR(1.0, std::hypot(rock.m_fVelX, rock.m_fVelY), 1e-5);
            EXPECT_EQ(250.0f, rock.m_fZ);
            EXPECT_GE(rock.m_nHitPoints, 31);
            EXPECT_LE(rock.m_nHitPoints, 60);
            EXPECT_TRUE(IsWaveScale(rock.m_fScaleX) && IsWaveScale(rock.m_fScaleY) &&
                        IsWaveScale(rock.m_fScaleZ));
        }
    }
}

TEST(RockFieldStream, StreamedRockDrawsInOrder) {
    struct Case {
        unsigned seed;
        int radius;
    };
    // Seed 2 with radius 1 draws offsets (1, 0) first: a point exactly at the
    // radius, which is taken.
    for (const Case& c : {Case{606, 350}, Case{2, 1}}) {
        SCOPED_TRACE(testing::Message() << "seed " << c.seed << ", radius " << c.radius);
        CRockField field(4);
        CPlayerShip ship;
        ship.m_fX = -30.0f;
        ship.m_fY = 12.0f;
        field.m_nStreamCounter = 74;
        srand(c.seed);
        field.Stream(&ship, 75, 1, c.radius);
        const int after = rand();
        srand(c.seed);
        float px, py;
        do {
            px = float(c.radius - R(2 * c.radius)) + ship.m_fX;
            py = float(c.radius - R(2 * c.radius)) + ship.m_fY;
        } while (Distance(px, py, ship.m_fX, ship.m_fY) < float(c.radius));
        const int hp = 31 + R(30);
        const float sz = float(4 + R(6)) / 25.0f, sy = float(4 + R(6)) / 25.0f, sx = float(4 + R(6)) / 25.0f;
        for (int i = 0; i < 3; ++i) rand();
        EXPECT_EQ(after, rand());
        const SRock& rock = field.m_pRocks[0];
        EXPECT_EQ(px, rock.m_fX);
        EXPECT_EQ(py, rock.m_fY);
        EXPECT_EQ(hp, rock.m_nHitPoints);
        EXPECT_EQ(sx, rock.m_fScaleX);
        EXPECT_EQ(sy, rock.m_fScaleY);
        EXPECT_EQ(sz, rock.m_fScaleZ);
        EXPECT_EQ(0, field.m_nStreamCounter);
        if (c.radius == 1) {
            EXPECT_EQ(-29.0f, rock.m_fX);
            EXPECT_EQ(12.0f, rock.m_fY);
            EXPECT_EQ(-1.0f, rock.m_fVelX);
            EXPECT_EQ(0.0f, rock.m_fVelY);
        }
    }
}

TEST(RockFieldStream, CullsRocksBeyondTwiceTheRadius) {
    struct Case {
        float dx, dy;
        bool kept;
    };
    const Case cases[] = {
        {699.5f, 0, true}, {700, 0, true},   {0, -700, true},  {420, 560, true},  // 700 exactly
        {700.5f, 0, false}, {0, 701, false}, {-421, 560, false},
    };
    CRockField field(8);
    CPlayerShip ship;
    ship.m_fX = 1000.0f;
    ship.m_fY = -200.0f;
    for (int i = 0; i < 7; ++i) {
        SRock& rock = field.m_pRocks[i];
        rock.m_fX = ship.m_fX + cases[i].dx;
        rock.m_fY = ship.m_fY + cases[i].dy;
        rock.m_fScaleX = rock.m_fScaleY = rock.m_fScaleZ = 0.2f;
        rock.m_nHitPoints = 40;
    }
    srand(1);
    field.Stream(&ship, 1000, 1, 350);  // far from the next streamed rock
    const int after = rand();
    srand(1);
    EXPECT_EQ(after, rand()) << "the cull draws nothing";
    for (int i = 0; i < 7; ++i) EXPECT_EQ(cases[i].kept ? 40 : 0, field.m_pRocks[i].m_nHitPoints) << i;
    EXPECT_EQ(0, ship.m_nScore);
}

TEST(RockFieldStream, ZeroRadiusStreamsNothing) {
    CRockField field(4);
    CPlayerShip ship;
    field.Stream(&ship, 0, 0, 0);  // the interval is reached at once
    EXPECT_EQ(0, LiveCount(field));
    EXPECT_EQ(0, field.m_nStreamCounter);
}

}  // namespace
