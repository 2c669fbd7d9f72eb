// Helpers for the drawing tests: a headless device with culling off and a
// cleared target, buffers and textures filled from memory, and pixels read
// back from the renderer.
#pragma once

#include "d3dx8_api.h"
#include "headless_device.h"
#include "host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace pipeline_test {

struct ScreenVertex {  // 0x144
    float x, y, z, rhw;
    DWORD diffuse;
    float u, v;
};

struct MeshVertex {  // 0x152
    float x, y, z, nx, ny, nz;
    DWORD diffuse;
    float u, v;
};

template <class Vertex>
IDirect3DVertexBuffer8* makeVertexBuffer(IDirect3DDevice8* device, const std::vector<Vertex>& vertices,
                                         DWORD fvf, D3DPOOL pool = D3DPOOL_MANAGED) {
    IDirect3DVertexBuffer8* buffer = nullptr;
    const UINT bytes = UINT(vertices.size() * sizeof(Vertex));
    EXPECT_EQ(device->CreateVertexBuffer(bytes, 0, fvf, pool, &buffer), D3D_OK);
    BYTE* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, vertices.data(), bytes);
    buffer->Unlock();
    return buffer;
}

inline IDirect3DIndexBuffer8* makeIndexBuffer(IDirect3DDevice8* device, const std::vector<uint16_t>& indices) {
    IDirect3DIndexBuffer8* buffer = nullptr;
    const UINT bytes = UINT(indices.size() * 2);
    EXPECT_EQ(device->CreateIndexBuffer(bytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &buffer), D3D_OK);
    BYTE* data = nullptr;
    buffer->Lock(0, 0, &data, 0);
    std::memcpy(data, indices.data(), bytes);
    buffer->Unlock();
    return buffer;
}

// texels are 0xAARRGGBB, row 0 at the top; each row written at the texture's pitch.
inline IDirect3DTexture8* makeTexture(IDirect3DDevice8* device, UINT width, UINT height,
                                      D3DFORMAT format, const std::vector<uint32_t>& texels) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (UINT y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch, &texels[size_t(y) * width],
                    size_t(width) * 4);
    texture->UnlockRect(0);
    return texture;
}

// The four corners of a screen rectangle, in strip order.
inline std::vector<ScreenVertex> screenQuad(float left, float top, float right, float bottom,
                                            DWORD colour, float z = 0.5f) {
    return {{left, top, z, 1, colour, 0, 0},
            {left, bottom, z, 1, colour, 0, 1},
            {right, top, z, 1, colour, 1, 0},
            {right, bottom, z, 1, colour, 1, 1}};
}

inline uint32_t pixel(int x, int y) { return host::backBufferPixel(x, y); }

inline int channel(uint32_t argb, int shift) { return int((argb >> shift) & 0xFF); }

// A device ready to draw: culling off, depth on, cleared to `clear`.
class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(d.device(), nullptr);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clearColour, 1.0f, 0);
        d->BeginScene();
    }
    void TearDown() override {
        if (!d.device()) return;
        d->EndScene();
        d->SetStreamSource(0, nullptr, 0);
        d->SetIndices(nullptr, 0);
        d->SetTexture(0, nullptr);
    }

    // Draws a screen quad as a strip from its own buffer.
    HRESULT drawScreenQuad(const std::vector<ScreenVertex>& quad) {
        IDirect3DVertexBuffer8* buffer = makeVertexBuffer(d.device(), quad, 0x144);
        d->SetVertexShader(0x144);
        d->SetStreamSource(0, buffer, sizeof(ScreenVertex));
        const HRESULT hr = d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        d->SetStreamSource(0, nullptr, 0);
        buffer->Release();
        return hr;
    }

    HeadlessDevice d;
    DWORD clearColour = 0xFF000000;
};

}  // namespace pipeline_test
