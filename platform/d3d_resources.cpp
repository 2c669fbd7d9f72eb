#include "d3d_resources.h"

#include "texture.h"
#include "vertex_buffer.h"

namespace platform {

HRESULT createTexture(D3DDevice& device, UINT width, UINT height, UINT levels, DWORD usage,
                      D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture) {
    return Texture::create(device, width, height, levels, usage, format, pool, texture);
}

HRESULT createVertexBuffer(D3DDevice& device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                           IDirect3DVertexBuffer8** buffer) {
    return VertexBuffer::create(device, length, usage, fvf, pool, buffer);
}

HRESULT createIndexBuffer(D3DDevice& device, UINT length, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DIndexBuffer8** buffer) {
    return IndexBuffer::create(device, length, usage, format, pool, buffer);
}

}  // namespace platform
