// Shared by the game's pool tests: a headless device with the working
// directory in the generated run directory (the game names its media files
// relative to it) and the texture stage 0 holds.
#pragma once

#include "headless_device.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace pooltest {

class RunDirDevice : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(chdir(testenv::runDir().c_str()), 0); }

    IDirect3DBaseTexture8* boundTexture() {
        IDirect3DBaseTexture8* texture = nullptr;
        m_device->GetTexture(0, &texture);
        if (texture) texture->Release();
        return texture;
    }

    HeadlessDevice m_device;
};

}  // namespace pooltest
