// Textures and buffers: creation rules, locks, reference counts, the pitch
// seam, locking from another thread, and resources outliving the device.
#include "pipeline_fixture.h"
#include "texture.h"

#include <atomic>
#include <thread>

namespace {

using namespace pipeline_test;

TEST(ResourceObjects, BufferCreationAndLockRules) {
    HeadlessDevice d;
    IDirect3DVertexBuffer8* buffer = nullptr;
    EXPECT_EQ(d->CreateVertexBuffer(0, 0, 0x144, D3DPOOL_MANAGED, &buffer), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(d->CreateVertexBuffer(112, 0, 0x144, D3DPOOL(7), &buffer), D3DERR_INVALIDCALL);
    ASSERT_EQ(d->CreateVertexBuffer(112, 0, 0x144, D3DPOOL_MANAGED, &buffer), D3D_OK);

    BYTE* whole = nullptr;
    BYTE* part = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &whole, 0), D3D_OK);
    for (int i = 0; i < 112; ++i) whole[i] = BYTE(i);
    EXPECT_EQ(buffer->Unlock(), D3D_OK);
    EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL) << "not locked";
    ASSERT_EQ(buffer->Lock(28, 0, &part, D3DLOCK_READONLY), D3D_OK);  // size 0: to the end
    EXPECT_EQ(part, whole + 28);
    EXPECT_EQ(part[0], 28);
    buffer->Unlock();
    ASSERT_EQ(buffer->Lock(0, 112, &part, D3DLOCK_DISCARD), D3D_OK);
    buffer->Unlock();
    EXPECT_EQ(buffer->Lock(100, 20, &part, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(part, nullptr);
    EXPECT_EQ(buffer->Lock(113, 0, &part, 0), D3DERR_INVALIDCALL);

    D3DVERTEXBUFFER_DESC desc{};
    ASSERT_EQ(buffer->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Size, 112u);
    EXPECT_EQ(desc.FVF, 0x144u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);

    IDirect3DIndexBuffer8* indices = nullptr;
    EXPECT_EQ(d->CreateIndexBuffer(6, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &indices), D3DERR_INVALIDCALL);
    ASSERT_EQ(d->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices), D3D_OK);
    D3DINDEXBUFFER_DESC indexDesc{};
    indices->GetDesc(&indexDesc);
    EXPECT_EQ(indexDesc.Format, D3DFMT_INDEX16);
    EXPECT_EQ(indices->Release(), 0u);
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST(ResourceObjects, ReferenceCountsFollowBindingsAndQueries) {
    HeadlessDevice d;
    IDirect3DVertexBuffer8* buffer = nullptr;
    d->CreateVertexBuffer(112, 0, 0x144, D3DPOOL_MANAGED, &buffer);
    d->SetStreamSource(0, buffer, 28);
    EXPECT_EQ(buffer->AddRef(), 3u) << "ours, the binding's and this one";
    buffer->Release();
    d->SetStreamSource(0, nullptr, 0);
    IDirect3DDevice8* owner = nullptr;
    ASSERT_EQ(buffer->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, d.device());
    EXPECT_EQ(owner->Release(), 1u);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(buffer->QueryInterface(IID_IDirect3DVertexBuffer8, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(buffer->QueryInterface(IID_IDirect3DTexture8, reinterpret_cast<void**>(&unknown)), E_NOINTERFACE);
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST(ResourceObjects, TexturesHaveTheirSizeLevelsAndFormat) {
    HeadlessDevice d;
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(d->CreateTexture(256, 217, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->CreateTexture(8192, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
    // Not a power of two, and level count 0: the full chain 256x217 .. 1x1.
    ASSERT_EQ(d->CreateTexture(256, 217, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 9u);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(desc.Width, 256u);
    EXPECT_EQ(desc.Height, 217u);
    texture->GetLevelDesc(3, &desc);
    EXPECT_EQ(desc.Width, 32u);
    EXPECT_EQ(desc.Height, 27u);
    texture->GetLevelDesc(8, &desc);
    EXPECT_EQ(desc.Width, 1u);
    EXPECT_EQ(desc.Height, 1u);
    EXPECT_EQ(texture->GetLevelDesc(9, &desc), D3DERR_INVALIDCALL);
    texture->Release();

    // One level of 1x1 is already the full chain.
    ASSERT_EQ(d->CreateTexture(1, 1, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    texture->Release();
}

TEST(ResourceObjects, TextureLocksHonourRectanglesAndTheTestPitch) {
    HeadlessDevice d;
    platform::setExtraTexturePitch(60);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(d->CreateTexture(16, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    platform::setExtraTexturePitch(0);
    D3DLOCKED_RECT whole{}, part{};
    ASSERT_EQ(texture->LockRect(0, &whole, nullptr, 0), D3D_OK);
    EXPECT_EQ(whole.Pitch, 16 * 4 + 60);
    EXPECT_EQ(texture->LockRect(0, &part, nullptr, 0), D3DERR_INVALIDCALL) << "already locked";
    texture->UnlockRect(0);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    const RECT rect{4, 2, 8, 6};
    ASSERT_EQ(texture->LockRect(0, &part, &rect, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(part.pBits), static_cast<uint8_t*>(whole.pBits) + 2 * whole.Pitch + 16);
    texture->UnlockRect(0);
    const RECT outside{8, 0, 17, 4};
    EXPECT_EQ(texture->LockRect(0, &part, &outside, 0), D3DERR_INVALIDCALL);
    texture->Release();
}

// The video renderer fills its texture from a streaming thread while the
// main thread draws it: the lock touches only memory, and the upload
// happens at the next draw.
TEST(ResourceObjects, ATextureLockedFromAnotherThreadUploadsOnTheMainThread) {
    HeadlessDevice d;
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(d->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    d->SetTexture(0, texture);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    IDirect3DVertexBuffer8* quad = makeVertexBuffer(d.device(), screenQuad(0, 0, 64, 64, 0xFFFFFFFF), 0x144);
    d->SetVertexShader(0x144);
    d->SetStreamSource(0, quad, sizeof(ScreenVertex));

    std::atomic<bool> done{false};
    std::thread streamer([&] {
        for (uint32_t frame = 0; frame < 200; ++frame) {
            D3DLOCKED_RECT locked{};
            if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) continue;
            const uint32_t colour = frame == 199 ? 0xFF00FF00u : 0xFF000000u | (frame * 0x010101u);
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x)
                    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] = colour;
            texture->UnlockRect(0);
        }
        done = true;
    });
    while (!done) EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    streamer.join();
    d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    EXPECT_EQ(pixel(10, 10), 0xFF00FF00u);
    EXPECT_EQ(pixel(63, 63), 0xFF00FF00u);
    d->SetStreamSource(0, nullptr, 0);
    d->SetTexture(0, nullptr);
    quad->Release();
    texture->Release();
}

// The streaming thread may drop the last reference to the video texture: the
// main thread's drawing must not lose its context to that thread.
TEST(ResourceObjects, ATextureReleasedOnAnotherThreadLeavesDrawingIntact) {
    HeadlessDevice d;
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    IDirect3DVertexBuffer8* quad = makeVertexBuffer(d.device(), screenQuad(0, 0, 8, 8, 0xFFFFFFFF), 0x144);
    d->SetVertexShader(0x144);
    d->SetStreamSource(0, quad, sizeof(ScreenVertex));
    IDirect3DTexture8* video = makeTexture(d.device(), 1, 1, D3DFMT_X8R8G8B8, {0x000000FF});
    d->SetTexture(0, video);
    d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);  // now it has a GL texture
    d->SetTexture(0, nullptr);
    std::thread([video] { EXPECT_EQ(video->Release(), 0u); }).join();

    IDirect3DTexture8* red = makeTexture(d.device(), 1, 1, D3DFMT_X8R8G8B8, {0x00FF0000});
    d->SetTexture(0, red);
    ASSERT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(pixel(4, 4), 0xFFFF0000u);
    d->SetTexture(0, nullptr);
    d->SetStreamSource(0, nullptr, 0);
    red->Release();
    quad->Release();
}

TEST(ResourceObjects, ResourcesMayOutliveTheirDevice) {
    IDirect3DVertexBuffer8* buffer = nullptr;
    IDirect3DTexture8* texture = nullptr;
    {
        HeadlessDevice d;
        d->CreateVertexBuffer(84, D3DUSAGE_WRITEONLY, 0x52, D3DPOOL_DEFAULT, &buffer);
        d->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture);
        d->SetTexture(0, texture);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        // Upload it so that it owns a GL texture when the device goes.
        IDirect3DVertexBuffer8* quad = makeVertexBuffer(d.device(), screenQuad(0, 0, 8, 8, 0xFFFFFFFF), 0x144);
        d->SetVertexShader(0x144);
        d->SetStreamSource(0, quad, sizeof(ScreenVertex));
        d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        quad->Release();
    }
    IDirect3DDevice8* device = reinterpret_cast<IDirect3DDevice8*>(1);
    EXPECT_EQ(buffer->GetDevice(&device), D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    BYTE* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK) << "its memory is still there";
    buffer->Unlock();
    EXPECT_EQ(buffer->Release(), 0u);
    EXPECT_EQ(texture->Release(), 0u);
}

}  // namespace
