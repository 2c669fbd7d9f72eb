// The missiles: the 6-degree turn toward the course they were fired for
// (settling only on whole degrees, circling otherwise), their path and life,
// the spin's wrap, and the smoke trail with its random drift.
#include "MissileList.h"

#include "pool_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

// Degrees to radians as the game writes it.
float Radians(float degrees) { return degrees * 3.1415927f / 180.0f; }

float HeadingAfter(float heading, float target, int updates) {
    CMissileList missiles(1);
    missiles.Fire(0.0f, 0.0f, 250.0f, heading, target, 2.5f, 120, 100);
    for (int i = 0; i < updates; i++) missiles.Update();
    return missiles.m_pMissiles[0].m_fHeading;
}

TEST(MissileListTest, OneUpdateTurnsSixDegreesTheShorterWay) {
    struct Case {
        float heading, target, after;
        const char* why;
    };
    const Case cases[] = {
        {90.0f, 0.0f, 84.0f, "down is 90 steps, up 270"},
        {270.0f, 0.0f, 276.0f, "up is 90 steps, down 270"},
        {10.0f, 13.0f, 16.0f, "overshoots up"},
        {16.0f, 13.0f, 10.0f, "and swings back down"},
        {0.0f, 180.0f, 6.0f, "opposite: both ways equal, turns up"},
        {3.0f, 350.0f, 359.0f, "below 0 becomes 359, not 357"},
        {355.0f, 10.0f, 0.0f, "above 359 becomes 0, not 1"},
        {353.5f, 10.0f, 0.0f, "359.5 is above 359 and becomes 0"},
        {20.0f, 17.5f, 26.0f, "a target with a fraction is never met: up"},
        {13.0f, 13.0f, 13.0f, "on the target: stays"},
        {13.7f, 13.0f, 13.7f, "whole part on the target: stays, fraction kept"},
        {3.0e9f, 0.0f, 3.0e9f, "no whole degree fits: left alone, never made an int"},
        {-3.0e9f, 0.0f, -3.0e9f, "nor far below"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HeadingAfter(c.heading, c.target, 1), c.after)
            << c.heading << " toward " << c.target << ": " << c.why;
}

TEST(MissileListTest, PairOnAWholeCourseSettlesAfterFifteenTurns) {
    // Ship heading 90: missiles at 90 and 270, both turning to 0.
    CMissileList missiles(2);
    missiles.Fire(0.0f, 0.0f, 250.0f, 90.0f, 0.0f, 2.5f, 120, 100);
    missiles.Fire(0.0f, 0.0f, 250.0f, 270.0f, 0.0f, 2.5f, 120, 100);
    const SMissile& down = missiles.m_pMissiles[0];
    const SMissile& up = missiles.m_pMissiles[1];
    for (int i = 1; i <= 14; i++) {
        missiles.Update();
        ASSERT_EQ(down.m_fHeading, 90.0f - 6 * i);
        ASSERT_EQ(up.m_fHeading, 270.0f + 6 * i);
    }
    missiles.Update();
    EXPECT_EQ(down.m_fHeading, 0.0f);
    EXPECT_EQ(up.m_fHeading, 0.0f);

    // Settled: both now fly straight along +x.
    const float x = down.m_fX;
    const float y = down.m_fY;
    for (int i = 0; i < 5; i++) missiles.Update();
    EXPECT_EQ(down.m_fHeading, 0.0f);
    EXPECT_EQ(up.m_fHeading, 0.0f);
    EXPECT_NEAR(down.m_fX, x + 12.5f, 1e-4f);
    EXPECT_EQ(down.m_fY, y);
}

TEST(MissileListTest, FractionalHeadingKeepsItsFractionAndSettlesWhenItsWholePartMeets) {
    EXPECT_EQ(HeadingAfter(10.5f, 100.0f, 1), 16.5f);
    EXPECT_EQ(HeadingAfter(10.5f, 100.0f, 14), 94.5f);
    EXPECT_EQ(HeadingAfter(10.5f, 100.0f, 15), 100.5f);
    EXPECT_EQ(HeadingAfter(10.5f, 100.0f, 40), 100.5f);
}

TEST(MissileListTest, PairOnAFractionalCourseCirclesUntilItsLifeRunsOut) {
    // Ship heading 93.5: missiles at 93.5 and 273.5, target 3.5.
    CMissileList missiles(2);
    missiles.Fire(0.0f, 0.0f, 250.0f, 93.5f, 3.5f, 2.5f, 120, 100);
    missiles.Fire(0.0f, 0.0f, 250.0f, 273.5f, 3.5f, 2.5f, 120, 100);
    for (int i = 0; i < 120; i++) {
        float before[2] = {missiles.m_pMissiles[0].m_fHeading, missiles.m_pMissiles[1].m_fHeading};
        missiles.Update();
        for (int m = 0; m < 2; m++) {
            const float after = missiles.m_pMissiles[m].m_fHeading;
            ASSERT_TRUE(after == before[m] + 6.0f || after == 0.0f)
                << "missile " << m << " update " << i << ": " << before[m] << " -> " << after;
        }
    }
    EXPECT_EQ(missiles.m_pMissiles[0].m_nLife, 0);
    EXPECT_EQ(missiles.m_pMissiles[1].m_nLife, 0);
}

TEST(MissileListTest, MissileMovesAlongItsTurnedHeadingForItsLife) {
    CMissileList missiles(1);
    missiles.Fire(10.0f, 20.0f, 250.0f, 90.0f, 0.0f, 2.5f, 120, 100);
    const SMissile& m = missiles.m_pMissiles[0];
    missiles.Update();
    // It turns first, then moves along the new heading.
    EXPECT_FLOAT_EQ(m.m_fX, 10.0f + std::cos(Radians(84.0f)) * 2.5f);
    EXPECT_FLOAT_EQ(m.m_fY, 20.0f + std::sin(Radians(84.0f)) * 2.5f);
    EXPECT_EQ(m.m_fZ, 250.0f);
    for (int i = 1; i < 119; i++) missiles.Update();
    EXPECT_EQ(m.m_nLife, 1);
    missiles.Update();
    EXPECT_EQ(m.m_nLife, 0);
}

TEST(MissileListTest, SpinClimbsByFifteenAndPassingThreeSixtyStartsAgainAtZero) {
    CMissileList missiles(1);
    for (int i = 1; i <= 24; i++) {
        missiles.Update();
        ASSERT_EQ(missiles.m_fSpin, 15.0f * i);
    }
    missiles.Update();
    EXPECT_EQ(missiles.m_fSpin, 0.0f) << "375 starts again at 0";
}

TEST(MissileListTest, ClearFreesEveryMissile) {
    CMissileList missiles(2);
    missiles.Fire(10.0f, 20.0f, 250.0f, 90.0f, 0.0f, 2.5f, 120, 100);
    missiles.Fire(10.0f, 20.0f, 250.0f, 90.0f, 0.0f, 2.5f, 120, 100);
    missiles.Clear();
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(missiles.m_pMissiles[i].m_nLife, 0);
        EXPECT_EQ(missiles.m_pMissiles[i].m_fX, 0.0f);
        EXPECT_EQ(missiles.m_pMissiles[i].m_fY, 0.0f);
        EXPECT_EQ(missiles.m_pMissiles[i].m_fZ, 0.0f);
    }
}

class MissileDrawTest : public pooltest::RunDirDevice {};

TEST_F(MissileDrawTest, EachLiveMissilePuffsOneTrailParticleWithTwoRandomDraws) {
    CMissileList missiles(4);
    missiles.Load(m_device.device());
    ASSERT_NE(missiles.m_Mesh.m_pTexture, nullptr);
    ASSERT_EQ(missiles.m_Trail.m_nCount, 100);

    missiles.Fire(10.0f, 20.0f, 250.0f, 0.0f, 0.0f, 2.5f, 120, 100);
    missiles.Fire(30.0f, 40.0f, 251.0f, 0.0f, 0.0f, 2.5f, 120, 100);
    missiles.Fire(50.0f, 60.0f, 252.0f, 0.0f, 0.0f, 2.5f, 120, 100);
    missiles.Kill(1);

    srand(1234);
    missiles.Draw();
    EXPECT_EQ(boundTexture(), missiles.m_Trail.m_pTexture) << "the trail is drawn last";

    srand(1234);
    const SMissile* drawn[] = {&missiles.m_pMissiles[0], &missiles.m_pMissiles[2]};
    for (int i = 0; i < 2; i++) {
        SCOPED_TRACE(i);
        const int r1 = rand() % 360;
        const int r2 = rand() % 360;
        const float velX = std::cos(Radians(r2)) / 2;
        const float velY = std::sin(Radians(r1)) / 2;
        const SParticle& p = missiles.m_Trail.m_pParticles[i];
        // Puffed with life 10, then aged and moved once by the trail's draw.
        EXPECT_EQ(p.m_nLife, 9);
        EXPECT_EQ(p.m_fVelX, velX);
        EXPECT_EQ(p.m_fVelY, velY);
        EXPECT_EQ(p.m_fX, drawn[i]->m_fX + velX);
        EXPECT_EQ(p.m_fY, drawn[i]->m_fY + velY);
        EXPECT_EQ(p.m_fZ, drawn[i]->m_fZ);
    }
    EXPECT_EQ(missiles.m_Trail.m_pParticles[2].m_nLife, 0) << "the free missile puffed";

    // The mesh is left on the last missile drawn.
    EXPECT_EQ(missiles.m_Mesh.m_fX, 50.0f);
    EXPECT_EQ(missiles.m_Mesh.m_fRotZ, 90.0f);
    EXPECT_EQ(missiles.m_Mesh.m_fScaleX, 0.2f);
    EXPECT_EQ(missiles.m_Mesh.m_fScaleZ, 0.1f);

    missiles.Draw();
    EXPECT_NE(missiles.m_Trail.m_pParticles[3].m_nLife, 0) << "each Draw puffs again";
    EXPECT_EQ(missiles.m_Trail.m_pParticles[4].m_nLife, 0);
}

}  // namespace
