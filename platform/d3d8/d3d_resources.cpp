#include "d3d_resources.h"

#include "device_faults.h"
#include "texture.h"
#include "vertex_buffer.h"

namespace platform {

namespace {
// A scripted refusal, as a device out of memory would give.
bool refuse(int& remaining) {
    if (remaining <= 0) return false;
    --remaining;
    return true;
}
}  // namespace

HRESULT createTexture(D3DDevice& device, UINT width, UINT height, UINT levels, DWORD usage,
                      D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture) {
    if (texture && refuse(DeviceFaults::instance().textureCreationFailures)) {
        *texture = nullptr;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    return Texture::create(device, width, height, levels, usage, format, pool, texture);
}

HRESULT createVertexBuffer(D3DDevice& device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                           IDirect3DVertexBuffer8** buffer) {
    if (buffer && refuse(DeviceFaults::instance().vertexBufferCreationFailures)) {
        *buffer = nullptr;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    return VertexBuffer::create(device, length, usage, fvf, pool, buffer);
}

HRESULT createIndexBuffer(D3DDevice& device, UINT length, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DIndexBuffer8** buffer) {
    return IndexBuffer::create(device, length, usage, format, pool, buffer);
}

}  // namespace platform
