#include "screen_fixture.h"

#include "host.h"
#include "test_env.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace screentest {

uint32_t Frame::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= 800 || y >= 600 || pixels.size() != 800u * 600u) return 0;
    return pixels[size_t(y) * 800 + x];
}

int channelDistance(uint32_t a, uint32_t b) {
    int d = std::abs(red(a) - red(b));
    d = std::max(d, std::abs(green(a) - green(b)));
    return std::max(d, std::abs(blue(a) - blue(b)));
}

void ScreenTest::SetUp() {
    m_game.Create();
    if (HasFatalFailure()) return;
    m_camera.Init(device(), m_game.window());
}

void ScreenTest::TearDown() { m_game.Release(); }

void ScreenTest::beginFrame(D3DCOLOR clear) {
    device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0);
    device()->BeginScene();
}

Frame ScreenTest::endFrame() {
    device()->EndScene();
    return Frame{host::readBackBuffer()};
}

void ScreenTest::leaveRunDir() {
    const std::string empty = testenv::outputPath("no_media");
    std::filesystem::create_directories(empty);
    ASSERT_EQ(chdir(empty.c_str()), 0);
}

}  // namespace screentest
