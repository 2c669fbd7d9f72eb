#include "Timer.h"
#include "host.h"

#include <gtest/gtest.h>

namespace {

TEST(Timer, WaitUntilSpinsUntilEnoughTicksHavePassed) {
    host::useVirtualClock(100, 1);
    CTimer timer;
    EXPECT_EQ(timer.Start(), 100u);
    const uint64_t readingsBefore = host::clockReadings();
    const DWORD returned = timer.WaitUntil(30);
    // Readings at 101..130: the one at 130 ends the loop; one more is returned.
    EXPECT_EQ(returned, 131u);
    EXPECT_EQ(host::clockReadings() - readingsBefore, 31u);
}

TEST(Timer, WaitUntilZeroReadsOnceThenReturnsAFreshReading) {
    host::useVirtualClock(500, 1);
    CTimer timer;
    timer.Start();
    const uint64_t readingsBefore = host::clockReadings();
    EXPECT_EQ(timer.WaitUntil(0), 502u);
    EXPECT_EQ(host::clockReadings() - readingsBefore, 2u);
}

TEST(Timer, ElapsedTimeSurvivesTheTickCounterWrapping) {
    host::useVirtualClock(0xFFFFFFF0u, 0);
    CTimer timer;
    timer.Start();
    host::advanceClock(0x30);  // now 0x20, past the wrap
    EXPECT_FLOAT_EQ(timer.GetElapsedSeconds(), 0.048f);
    host::useVirtualClock(0xFFFFFFF0u, 1);
    timer.Start();
    EXPECT_EQ(timer.WaitUntil(40), 0x19u);  // ended at 0x18 after wrapping, not at once
}

TEST(Timer, ElapsedSecondsAndRate) {
    host::useVirtualClock(1000, 0);
    CTimer timer;
    timer.Start();
    EXPECT_FLOAT_EQ(timer.GetElapsedSeconds(), 0.0f);
    EXPECT_FLOAT_EQ(timer.GetFPS(), 0.0f);  // no time passed: no rate, rather than infinity
    host::advanceClock(1500);
    EXPECT_FLOAT_EQ(timer.GetElapsedSeconds(), 1.5f);
    host::advanceClock(500);
    EXPECT_FLOAT_EQ(timer.GetFPS(), 0.5f);
}

TEST(Timer, WithoutStartMeasuresFromTickZero) {
    host::useVirtualClock(2500, 0);
    CTimer timer;
    EXPECT_FLOAT_EQ(timer.GetElapsedSeconds(), 2.5f);
}

}  // namespace
