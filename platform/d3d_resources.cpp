#include "d3d_resources.h"

namespace platform {

// Placeholders until the resource classes exist.
HRESULT createTexture(D3DDevice&, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                      IDirect3DTexture8** texture) {
    if (texture) *texture = nullptr;
    return E_NOTIMPL;
}
HRESULT createVertexBuffer(D3DDevice&, UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer8** buffer) {
    if (buffer) *buffer = nullptr;
    return E_NOTIMPL;
}
HRESULT createIndexBuffer(D3DDevice&, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer8** buffer) {
    if (buffer) *buffer = nullptr;
    return E_NOTIMPL;
}

}  // namespace platform
