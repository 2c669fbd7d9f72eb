// A texture's CPU copy, let go once the texels are in GL, must come back
// exactly whenever the texture is locked again, whichever thread asks.
#include "pipeline_fixture.h"
#include "texture.h"

#include <thread>

namespace {

using namespace pipeline_test;

class TextureCopies : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    }
    // Draws the texture over a 256 x 256 square at the top left, one texel a pixel.
    void draw(IDirect3DTexture8* texture) {
        d->SetTexture(0, texture);
        ASSERT_EQ(drawScreenQuad(screenQuad(0, 0, 256, 256, 0xFFFFFFFF)), D3D_OK);
        d->SetTexture(0, nullptr);
    }
    static size_t cpuBytes(IDirect3DTexture8* texture) {
        return platform::Texture::fromInterface(texture)->cpuCopyBytes();
    }
};

std::vector<uint32_t> pattern(UINT side, uint32_t alphaBase) {
    std::vector<uint32_t> texels(size_t(side) * side);
    for (UINT y = 0; y < side; ++y)
        for (UINT x = 0; x < side; ++x) texels[size_t(y) * side + x] = ((alphaBase + x + y) << 24) | (x << 16) | (y << 8) | (x ^ y);
    return texels;
}

std::vector<uint32_t> readLevel(IDirect3DTexture8* texture, UINT level, UINT side) {
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<uint32_t> texels(size_t(side) * side);
    if (!locked.pBits) return texels;
    for (UINT y = 0; y < side; ++y)
        std::memcpy(&texels[size_t(y) * side], static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch, side * 4);
    texture->UnlockRect(level);
    return texels;
}

TEST_F(TextureCopies, AnA8R8G8B8PictureInGLLetsItsCopyGoAndGetsItBackExactly) {
    // Two levels, each with every alpha value and colour its own.
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(d->CreateTexture(256, 256, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    const std::vector<uint32_t> top = pattern(256, 0), second = pattern(128, 77);
    for (UINT level = 0; level < 2; ++level) {
        const std::vector<uint32_t>& texels = level == 0 ? top : second;
        const UINT side = level == 0 ? 256 : 128;
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(level, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < side; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch, &texels[size_t(y) * side], side * 4);
        texture->UnlockRect(level);
    }
    EXPECT_GT(cpuBytes(texture), 0u);
    draw(texture);
    EXPECT_EQ(cpuBytes(texture), 0u) << "in GL, the copy goes";
    EXPECT_EQ(pixel(10, 20) & 0x00FFFFFFu, top[20 * 256 + 10] & 0x00FFFFFFu);

    EXPECT_TRUE(readLevel(texture, 0, 256) == top);
    EXPECT_TRUE(readLevel(texture, 1, 128) == second);
    // Written again: the next draw shows the change, and the copy goes again.
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    static_cast<uint32_t*>(locked.pBits)[0] = 0xFF123456;
    texture->UnlockRect(0);
    draw(texture);
    EXPECT_EQ(pixel(0, 0), 0xFF123456u);
    EXPECT_EQ(cpuBytes(texture), 0u);
    std::vector<uint32_t> changed = top;
    changed[0] = 0xFF123456;
    EXPECT_TRUE(readLevel(texture, 0, 256) == changed);
    texture->Release();
}

TEST_F(TextureCopies, SmallAndX8R8G8B8PicturesKeepTheirCopies) {
    IDirect3DTexture8* small = makeTexture(d.device(), 64, 64, D3DFMT_A8R8G8B8, pattern(64, 3));
    IDirect3DTexture8* opaque = makeTexture(d.device(), 256, 256, D3DFMT_X8R8G8B8, pattern(256, 0));
    draw(small);
    draw(opaque);
    EXPECT_EQ(cpuBytes(small), 64u * 64 * 4);
    EXPECT_EQ(cpuBytes(opaque), 256u * 256 * 4);
    // The fourth byte of an X8R8G8B8 texel is kept as it was written.
    EXPECT_TRUE(readLevel(opaque, 0, 256) == pattern(256, 0));
    small->Release();
    opaque->Release();
}

// The video renderer writes its texture from its streaming thread: the first
// such lock after the copy went is refused, the next draw brings the copy
// back, and from then on the thread locks it as it likes.
TEST_F(TextureCopies, AnotherThreadGetsTheCopyBackAfterTheNextDraw) {
    IDirect3DTexture8* texture = makeTexture(d.device(), 256, 256, D3DFMT_A8R8G8B8, pattern(256, 9));
    draw(texture);
    ASSERT_EQ(cpuBytes(texture), 0u);
    HRESULT first = S_OK;
    std::thread([&] {
        D3DLOCKED_RECT locked{};
        first = texture->LockRect(0, &locked, nullptr, 0);
        if (SUCCEEDED(first)) texture->UnlockRect(0);
    }).join();
    EXPECT_EQ(first, D3DERR_WASSTILLDRAWING);
    draw(texture);
    EXPECT_GT(cpuBytes(texture), 0u) << "back, and kept";
    std::thread([&] {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        EXPECT_EQ(static_cast<uint32_t*>(locked.pBits)[5], pattern(256, 9)[5]);
        static_cast<uint32_t*>(locked.pBits)[0] = 0xFF00FF00;
        texture->UnlockRect(0);
    }).join();
    draw(texture);
    EXPECT_EQ(pixel(0, 0), 0xFF00FF00u);
    EXPECT_GT(cpuBytes(texture), 0u);
    texture->Release();
}

}  // namespace
