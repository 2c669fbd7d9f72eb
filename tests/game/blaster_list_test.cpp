// The blaster shots: a shot's straight path and its last frame, a shot fired
// with no life, the spin's wrap, Clear, and what Draw puts on the device.
#include "BlasterList.h"

#include "pool_test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(BlasterListTest, ShotFliesStraightAlongItsHeading) {
    struct Case {
        float heading;
        float velX, velY;
    };
    const Case cases[] = {{0.0f, 3.0f, 0.0f}, {90.0f, 0.0f, 3.0f}, {180.0f, -3.0f, 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heading);
        CBlasterList shots(4);
        ASSERT_EQ(shots.Fire(10.0f, 20.0f, 251.0f, c.heading, 3.0f, 120, 7), 1);
        const SBlasterShot& s = shots.m_pShots[0];
        EXPECT_NEAR(s.m_fVelX, c.velX, 1e-6f);
        EXPECT_NEAR(s.m_fVelY, c.velY, 1e-6f);
        EXPECT_EQ(s.m_fHeading, c.heading);
        EXPECT_EQ(s.m_nDamage, 7);

        for (int i = 0; i < 10; i++) shots.Update();
        EXPECT_NEAR(s.m_fX, 10.0f + 10 * c.velX, 1e-4f);
        EXPECT_NEAR(s.m_fY, 20.0f + 10 * c.velY, 1e-4f);
        EXPECT_EQ(s.m_fZ, 251.0f);
        EXPECT_EQ(s.m_nLife, 110);
    }
}

TEST(BlasterListTest, ShotMovesOnEveryUpdateOfItsLifeThenIsFree) {
    CBlasterList shots(2);
    ASSERT_EQ(shots.Fire(0.0f, 0.0f, 250.0f, 0.0f, 3.0f, 120, 2), 1);
    const SBlasterShot& s = shots.m_pShots[0];
    for (int i = 0; i < 119; i++) shots.Update();
    EXPECT_EQ(s.m_nLife, 1);
    shots.Update();
    EXPECT_EQ(s.m_nLife, 0);
    EXPECT_EQ(s.m_fX, 360.0f);
    // The freed slot is the one the next shot takes.
    ASSERT_EQ(shots.Fire(5.0f, 0.0f, 250.0f, 0.0f, 3.0f, 120, 2), 1);
    EXPECT_EQ(s.m_fX, 5.0f);
    EXPECT_EQ(shots.m_pShots[1].m_nLife, 0);
}

TEST(BlasterListTest, ShotWithNoLifeIsAcceptedButLeavesTheSlotFree) {
    CBlasterList shots(1);
    EXPECT_EQ(shots.Fire(1.0f, 2.0f, 3.0f, 0.0f, 3.0f, 0, 2), 1);
    EXPECT_EQ(shots.m_pShots[0].m_nLife, 0);
    EXPECT_EQ(shots.Fire(4.0f, 2.0f, 3.0f, 0.0f, 3.0f, 120, 2), 1) << "the pool of one is not full";
    EXPECT_EQ(shots.m_pShots[0].m_fX, 4.0f);
}

TEST(BlasterListTest, SpinClimbsByFiveAndPassingThreeSixtyStartsAgainAtZero) {
    CBlasterList shots(1);
    for (int i = 1; i <= 72; i++) {
        shots.Update();
        ASSERT_EQ(shots.m_fSpin, 5.0f * i);
    }
    shots.Update();
    EXPECT_EQ(shots.m_fSpin, 0.0f) << "365 starts again at 0, not 5";
    shots.Update();
    EXPECT_EQ(shots.m_fSpin, 5.0f);
}

TEST(BlasterListTest, ClearFreesEveryShotAndKeepsVelocities) {
    CBlasterList shots(3);
    for (int i = 0; i < 3; i++) shots.Fire(10.0f, 20.0f, 250.0f, 0.0f, 3.0f, 120, 2);
    shots.Clear();
    for (int i = 0; i < 3; i++) {
        const SBlasterShot& s = shots.m_pShots[i];
        EXPECT_EQ(s.m_nLife, 0);
        EXPECT_EQ(s.m_fX, 0.0f);
        EXPECT_EQ(s.m_fY, 0.0f);
        EXPECT_EQ(s.m_fZ, 0.0f);
        EXPECT_EQ(s.m_fVelX, 3.0f);
    }
}

class BlasterDrawTest : public pooltest::RunDirDevice {};

TEST_F(BlasterDrawTest, DrawPlacesTheMeshOnEachLiveShotAndBindsItsTexture) {
    CBlasterList shots(5);
    ASSERT_EQ(shots.Load(m_device.device()), 1);
    ASSERT_NE(shots.m_Mesh.m_pTexture, nullptr);

    // With no live shot nothing is drawn and nothing bound.
    shots.Draw();
    EXPECT_EQ(boundTexture(), nullptr);

    shots.Fire(1.0f, 2.0f, 251.0f, 30.0f, 3.0f, 120, 2);
    shots.Fire(4.0f, 5.0f, 252.0f, 60.0f, 3.0f, 120, 2);
    shots.Kill(0);
    shots.Fire(7.0f, 8.0f, 253.0f, 45.0f, 3.0f, 120, 2);  // takes slot 0, drawn first
    shots.Update();
    shots.Draw();
    EXPECT_EQ(boundTexture(), shots.m_Mesh.m_pTexture);
    // The mesh is left where the last shot in index order stood.
    const CMeshObject& m = shots.m_Mesh;
    EXPECT_EQ(m.m_fRotX, 270.0f);
    EXPECT_EQ(m.m_fRotY, 5.0f);
    EXPECT_EQ(m.m_fRotZ, 150.0f);
    EXPECT_EQ(m.m_fX, shots.m_pShots[1].m_fX);
    EXPECT_EQ(m.m_fY, shots.m_pShots[1].m_fY);
    EXPECT_EQ(m.m_fZ, 252.0f);
    EXPECT_EQ(m.m_fScaleX, 0.05f);
    EXPECT_EQ(m.m_fScaleY, 0.05f);
    EXPECT_EQ(m.m_fScaleZ, 0.05f);
}

}  // namespace
