// Shared by the game's pool tests: a headless device with the working
// directory in the generated run directory (the game names its media files
// relative to it), the texture stage 0 holds, and dirty heap memory for
// pools built late in a run.
#pragma once

#include "headless_device.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
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

// Frees a block of `bytes` filled with 0x7F, so the next allocation of that
// size most likely reuses memory that is not zero.
inline void dirtyHeap(std::size_t bytes) {
    char* block = new char[bytes];
    std::memset(block, 0x7F, bytes);
    // Keeps the compiler from dropping the block and its filling as unused.
    asm volatile("" : : "r"(block) : "memory");
    delete[] block;
}

}  // namespace pooltest
