// What the shot, missile and power-up pools share: a full pool refuses, the
// lowest free slot is taken first, Kill ignores indices outside the pool, and
// every record starts at zero even on recycled heap memory.
#include "BlasterList.h"
#include "MissileList.h"
#include "PowerUpList.h"

#include "dirty_heap.h"
#include "pool_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Shots {
    using Pool = CBlasterList;
    using Record = SBlasterShot;
    static Record* records(Pool& p) { return p.m_pShots; }
    static int add(Pool& p, float x) { return p.Fire(x, 0, 250, 0, 3.0f, 120, 2); }
    static bool live(const Record& r) { return r.m_nLife != 0; }
    static void mark(Record& r) { r.m_nLife = 7; }
};

struct Missiles {
    using Pool = CMissileList;
    using Record = SMissile;
    static Record* records(Pool& p) { return p.m_pMissiles; }
    static int add(Pool& p, float x) { return p.Fire(x, 0, 250, 90, 0, 2.5f, 120, 100); }
    static bool live(const Record& r) { return r.m_nLife != 0; }
    static void mark(Record& r) { r.m_nLife = 7; }
};

struct PowerUps {
    using Pool = CPowerUpList;
    using Record = SPowerUp;
    static Record* records(Pool& p) { return p.m_pPowerUps; }
    static int add(Pool& p, float x) { return p.Spawn(x, 0, 250, POWERUP_SHIELD); }
    static bool live(const Record& r) { return r.m_bActive != 0; }
    static void mark(Record& r) { r.m_bActive = 7; }
};

template <class T>
class PoolSlotsTest : public ::testing::Test {};

using PoolKinds = ::testing::Types<Shots, Missiles, PowerUps>;
TYPED_TEST_SUITE(PoolSlotsTest, PoolKinds);

TYPED_TEST(PoolSlotsTest, FullPoolRefusesAndTheLowestFreeSlotIsTakenFirst) {
    typename TypeParam::Pool pool(3);
    auto* records = TypeParam::records(pool);
    for (int i = 0; i < 3; i++) ASSERT_EQ(TypeParam::add(pool, 1.0f + i), 1);

    EXPECT_EQ(TypeParam::add(pool, 9.0f), 0);
    for (int i = 0; i < 3; i++) EXPECT_EQ(records[i].m_fX, 1.0f + i);
    EXPECT_FALSE(TypeParam::live(records[3])) << "the spare record is never used";

    pool.Kill(2);
    pool.Kill(0);
    ASSERT_EQ(TypeParam::add(pool, 10.0f), 1);
    EXPECT_EQ(records[0].m_fX, 10.0f);
    EXPECT_FALSE(TypeParam::live(records[2]));
    ASSERT_EQ(TypeParam::add(pool, 11.0f), 1);
    EXPECT_EQ(records[2].m_fX, 11.0f);
    EXPECT_EQ(records[1].m_fX, 2.0f);
}

TYPED_TEST(PoolSlotsTest, KillOutsideThePoolChangesNothing) {
    typename TypeParam::Pool pool(3);
    auto* records = TypeParam::records(pool);
    for (int i = 0; i < 3; i++) ASSERT_EQ(TypeParam::add(pool, 1.0f + i), 1);
    // A mark in the spare record shows a write one past the pool.
    TypeParam::mark(records[3]);

    pool.Kill(-1);
    pool.Kill(3);
    for (int i = 0; i < 3; i++) EXPECT_TRUE(TypeParam::live(records[i])) << "slot " << i;
    EXPECT_TRUE(TypeParam::live(records[3])) << "the spare record was written";
}

TYPED_TEST(PoolSlotsTest, EveryRecordStartsAtZeroOnRecycledMemory) {
    const int capacity = 20;
    using Record = typename TypeParam::Record;
    dirtyHeap(sizeof(Record) * (capacity + 1));
    typename TypeParam::Pool pool(capacity);
    // The update walks free records too; nothing in them may move.
    pool.Update();

    Record zero;
    std::memset(&zero, 0, sizeof zero);
    for (int i = 0; i <= capacity; i++)
        EXPECT_EQ(std::memcmp(&TypeParam::records(pool)[i], &zero, sizeof zero), 0) << "record " << i;
}

}  // namespace
