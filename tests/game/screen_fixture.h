// The game's own device (game_test_device.h) and a camera for the game's
// screen-space drawing. Frames are read back as 0xAARRGGBB pixels, row 0 at
// the top.
#pragma once

#include "Camera.h"
#include "d3d8_api.h"
#include "game_test_device.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace screentest {

struct Frame {
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const;
};

inline int red(uint32_t p) { return (p >> 16) & 0xFF; }
inline int green(uint32_t p) { return (p >> 8) & 0xFF; }
inline int blue(uint32_t p) { return p & 0xFF; }
// The largest difference of one colour channel.
int channelDistance(uint32_t a, uint32_t b);

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    IDirect3DDevice8* device() { return m_game.device(); }
    void beginFrame(D3DCOLOR clear = 0xFF000000);
    Frame endFrame();
    // Runs from another folder, where no media can be found.
    void leaveRunDir();

    CCamera m_camera;

private:
    GameTestDevice m_game;
};

}  // namespace screentest
