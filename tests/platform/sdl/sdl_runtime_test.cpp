// What the platform asks of the software rasteriser before video starts.
#include "headless_device.h"
#include "sdl_runtime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

namespace {

TEST(SdlRuntime, TheSoftwareRasteriserGetsOneThreadFewerThanTheCoresUnlessTheUserChose) {
    // Unset, the window and device the game makes leave it one core short.
    unsetenv("LP_NUM_THREADS");
    {
        HeadlessDevice d;
        ASSERT_NE(d.device(), nullptr);
    }
    const unsigned cores = std::thread::hardware_concurrency();
    ASSERT_NE(std::getenv("LP_NUM_THREADS"), nullptr);
    EXPECT_EQ(std::string(std::getenv("LP_NUM_THREADS")), std::to_string(cores > 2 ? cores - 1 : 1));

    setenv("LP_NUM_THREADS", "0", 1);  // the user's choice stands
    platform::leaveTheSoftwareRasteriserOneCoreShort();
    EXPECT_EQ(std::string(std::getenv("LP_NUM_THREADS")), "0");
}

}  // namespace
