// Creation of textures and vertex and index buffers for a device.
#pragma once

#include "d3d8_api.h"

namespace platform {

class D3DDevice;

HRESULT createTexture(D3DDevice& device, UINT width, UINT height, UINT levels, DWORD usage,
                      D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture);
HRESULT createVertexBuffer(D3DDevice& device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                           IDirect3DVertexBuffer8** buffer);
HRESULT createIndexBuffer(D3DDevice& device, UINT length, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DIndexBuffer8** buffer);

}  // namespace platform
