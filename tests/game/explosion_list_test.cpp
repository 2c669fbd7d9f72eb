// The explosion pool: the six-frame timeline of one effect, slot reuse when
// the pool is full, and what the shared sprite draws for each effect.
#include "ExplosionList.h"

#include "entity_scene.h"
#include "dirty_heap.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <unistd.h>


namespace {

int ActiveCount(const CExplosionList& list) {
    int n = 0;
    for (int i = 0; i < list.m_nCount; i++) n += list.m_pExplosions[i].m_bActive ? 1 : 0;
    return n;
}

TEST(ExplosionList, StartsWithEveryRecordZeroed) {
    // Leave garbage where the records are likely to be allocated.
    dirtyHeap(sizeof(SExplosion) * 51);
    CExplosionList list(50);
    ASSERT_NE(list.m_pExplosions, nullptr);
    const SExplosion zero{};
    for (int i = 0; i <= 50; i++) {  // the spare record past the end too
        const SExplosion& e = list.m_pExplosions[i];
        EXPECT_EQ(e.m_bActive, 0) << i;
        EXPECT_EQ(e.m_fX, zero.m_fX) << i;
        EXPECT_EQ(e.m_fSizeX, zero.m_fSizeX) << i;
        EXPECT_EQ(e.m_Colour, zero.m_Colour) << i;
        EXPECT_EQ(e.m_nFrame, 0) << i;
        EXPECT_EQ(e.m_nTick, 0) << i;
    }
}

TEST(ExplosionList, PlaysFrameZeroOnceThenEachFrameTwiceAndFreesOnTheTwelfthDraw) {
    CExplosionList list(50);
    ASSERT_EQ(list.Spawn(1.0f, 2.0f, 3.0f, 0.3f, 0.4f, 0x66FFFFFF), 1);
    const SExplosion& e = list.m_pExplosions[0];
    EXPECT_EQ(e.m_fX, 1.0f);
    EXPECT_EQ(e.m_fY, 2.0f);
    EXPECT_EQ(e.m_fZ, 3.0f);
    EXPECT_EQ(e.m_fSizeX, 0.3f);
    EXPECT_EQ(e.m_fSizeY, 0.4f);
    EXPECT_EQ(e.m_Colour, 0x66FFFFFFu);

    // The frame each Draw shows (spawned before the first one).
    const int kShown[] = {0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5};
    for (int frame : kShown) {
        list.Draw();
        ASSERT_TRUE(e.m_bActive);
        EXPECT_EQ(e.m_nFrame, frame);
    }
    list.Draw();  // the twelfth
    EXPECT_FALSE(e.m_bActive);
    EXPECT_EQ(e.m_nFrame, 0);
}

TEST(ExplosionList, FullPoolRefusesAndTheLowestFreeSlotIsReused) {
    CExplosionList list(3);
    EXPECT_EQ(list.Spawn(0, 0, 0, 1, 1, 0), 1);
    list.Draw();
    list.Draw();  // slot 0 is two frames older than the others
    EXPECT_EQ(list.Spawn(1, 0, 0, 1, 1, 0), 1);
    EXPECT_EQ(list.Spawn(2, 0, 0, 1, 1, 0), 1);
    EXPECT_EQ(list.Spawn(3, 0, 0, 1, 1, 0), 0);  // full: dropped
    EXPECT_EQ(list.m_pExplosions[3].m_bActive, 0);  // the spare record is never used
    EXPECT_EQ(ActiveCount(list), 3);

    for (int i = 0; i < 10; i++) list.Draw();  // slot 0 ends, 1 and 2 still play
    EXPECT_EQ(ActiveCount(list), 2);
    EXPECT_EQ(list.Spawn(9, 0, 0, 1, 1, 0), 1);
    EXPECT_EQ(list.m_pExplosions[0].m_fX, 9.0f);
    EXPECT_EQ(list.m_pExplosions[0].m_nFrame, 0);

    list.Kill(1);
    list.Kill(-1);  // out of range: nothing happens
    list.Kill(3);
    EXPECT_EQ(ActiveCount(list), 2);
    EXPECT_EQ(list.m_pExplosions[1].m_bActive, 0);
}

// Two effects in the same frame draw with their own colour and place.
TEST(ExplosionListDrawing, EachEffectDrawsWithItsOwnColour) {
    EntityScene scene(-100.0f, 0.0f);
    ASSERT_NE(scene.device(), nullptr);
    ASSERT_EQ(chdir(testenv::runDir().c_str()), 0);
    CExplosionList list(50);
    ASSERT_NE(list.Init(scene.device(), scene.camera()), 0);
    list.Spawn(-40.0f, 0.0f, 0.0f, 1.5f, 1.5f, D3DXCOLOR(1.0f, 0.0f, 0.0f, 1.0f));
    list.Spawn(40.0f, 2.0f, -3.0f, 1.25f, 1.5f, D3DXCOLOR(0.0f, 0.0f, 1.0f, 1.0f));
    scene.frame([&] { list.Draw(); });
    // The shared sprite keeps what the last drawn effect wrote into it.
    EXPECT_EQ(list.m_Sprite.m_fX, 40.0f);
    EXPECT_EQ(list.m_Sprite.m_fY, 2.0f);
    EXPECT_EQ(list.m_Sprite.m_fZ, -3.0f);
    EXPECT_EQ(list.m_Sprite.m_fScaleX, 1.25f);
    EXPECT_EQ(list.m_Sprite.m_fScaleY, 1.5f);
    EXPECT_EQ(list.m_Sprite.m_fScaleZ, 1.0f);
    EXPECT_EQ(list.m_Sprite.m_dwColour, D3DCOLOR(D3DXCOLOR(0.0f, 0.0f, 1.0f, 1.0f)));
    EXPECT_EQ(list.m_Sprite.m_nFrame, 0);

    auto red = [](uint32_t p) { return ((p >> 16) & 0xFF) > 40 && (p & 0xFF) < 8; };
    auto blue = [](uint32_t p) { return (p & 0xFF) > 40 && ((p >> 16) & 0xFF) < 8; };
    EXPECT_GT(scene.count(0, 150, 400, 450, red), 0);
    EXPECT_EQ(scene.count(0, 150, 400, 450, blue), 0);
    EXPECT_GT(scene.count(400, 150, 800, 450, blue), 0);
    EXPECT_EQ(scene.count(400, 150, 800, 450, red), 0);

    // Each draw shows the sheet frame the effect has reached.
    for (int frame : {1, 1, 2, 2, 3}) {
        list.Draw();
        EXPECT_EQ(list.m_Sprite.m_nFrame, frame);
    }
}

}  // namespace
