// Textures from image files and empty textures, the utility library's way:
// the file's own size (no rounding to powers of two), a full mip chain made
// by 2x2 box filtering, a 32-bit format (X8R8G8B8 for images without alpha,
// A8R8G8B8 for images with it) and the managed pool.
#include "d3dx8_api.h"

#include "diagnostics.h"
#include "image_file.h"
#include "texture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The next level down, each texel the average of the (up to) 2x2 texels it covers.
std::vector<uint32_t> halve(const std::vector<uint32_t>& texels, UINT width, UINT height,
                            UINT& outWidth, UINT& outHeight) {
    outWidth = std::max(1u, width / 2);
    outHeight = std::max(1u, height / 2);
    std::vector<uint32_t> out(size_t(outWidth) * outHeight);
    for (UINT y = 0; y < outHeight; ++y) {
        for (UINT x = 0; x < outWidth; ++x) {
            const UINT x0 = std::min(2 * x, width - 1), x1 = std::min(2 * x + 1, width - 1);
            const UINT y0 = std::min(2 * y, height - 1), y1 = std::min(2 * y + 1, height - 1);
            const uint32_t corners[4] = {texels[size_t(y0) * width + x0], texels[size_t(y0) * width + x1],
                                         texels[size_t(y1) * width + x0], texels[size_t(y1) * width + x1]};
            uint32_t result = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t sum = 2;  // rounds to nearest
                for (uint32_t c : corners) sum += (c >> shift) & 0xFF;
                result |= (sum / 4) << shift;
            }
            out[size_t(y) * outWidth + x] = result;
        }
    }
    return out;
}

// Our own textures take the texels as they are; any other goes through a lock.
HRESULT fillLevel(IDirect3DTexture8* texture, UINT level, std::vector<uint32_t>&& texels,
                  UINT width, UINT height) {
    platform::Texture* own = platform::Texture::fromInterface(texture);
    if (own && own->adoptLevel(level, std::move(texels))) return D3D_OK;
    D3DLOCKED_RECT locked{};
    const HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
    if (FAILED(hr)) return hr;
    for (UINT y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                    texels.data() + size_t(y) * width, size_t(width) * 4);
    return texture->UnlockRect(level);
}

}  // namespace

HRESULT D3DXCreateTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT mipLevels,
                          DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** texture) {
    if (texture) *texture = nullptr;
    if (!device || !texture) return D3DERR_INVALIDCALL;
    if (width == 0) width = 1;
    if (height == 0) height = 1;
    // The nearest format the device offers: it has only the two 32-bit ones.
    if (format != D3DFMT_X8R8G8B8) format = D3DFMT_A8R8G8B8;
    return device->CreateTexture(width, height, mipLevels, usage, format, pool, texture);
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* device, LPCSTR fileName,
                                   IDirect3DTexture8** texture) {
    if (texture) *texture = nullptr;
    if (!device || !fileName || !texture) return D3DERR_INVALIDCALL;
    platform::DecodeResult decoded = platform::loadImageFile(fileName);
    if (!decoded.ok) {
        platform::reportUnusableFile("image", fileName, decoded.error);
        return D3DERR_NOTAVAILABLE;
    }
    platform::DecodedImage& image = decoded.image;
    IDirect3DTexture8* created = nullptr;
    HRESULT hr = device->CreateTexture(UINT(image.width), UINT(image.height), 0, 0,
                                       image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8,
                                       D3DPOOL_MANAGED, &created);
    if (FAILED(hr)) return hr;

    std::vector<uint32_t> level = std::move(image.texels);
    UINT width = UINT(image.width), height = UINT(image.height);
    const DWORD levels = created->GetLevelCount();
    for (DWORD i = 0; i < levels && SUCCEEDED(hr); ++i) {
        UINT nextWidth = 0, nextHeight = 0;
        std::vector<uint32_t> next;
        if (i + 1 < levels) next = halve(level, width, height, nextWidth, nextHeight);
        hr = fillLevel(created, i, std::move(level), width, height);
        level = std::move(next);
        width = nextWidth;
        height = nextHeight;
    }
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *texture = created;
    return D3D_OK;
}
