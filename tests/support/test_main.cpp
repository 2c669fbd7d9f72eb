// Every test runs headless: OpenGL through SDL's offscreen driver (EGL on
// Mesa's software rasteriser) and sound through SDL's dummy driver. The
// tests choose this themselves, whatever the caller's environment says.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("LP_NUM_THREADS", "2", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
