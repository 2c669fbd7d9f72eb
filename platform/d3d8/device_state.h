// Everything a Direct3D 8 device remembers between calls: render and texture
// stage states, transforms, lights, material, bound texture and streams. The
// draw pipeline reads it; state blocks record and replay parts of it.
#pragma once

#include "d3d8_api.h"

#include <map>

namespace platform {

struct LightSlot {
    D3DLIGHT8 light{};
    bool enabled = false;
};

struct DeviceState {
    DWORD renderStates[D3DRS_COUNT] = {};
    DWORD stageStates[D3D_MAX_TEXTURE_STAGES][D3DTSS_COUNT] = {};
    D3DMATRIX world{};
    D3DMATRIX view{};
    D3DMATRIX projection{};
    D3DMATRIX textureMatrix[D3D_MAX_TEXTURE_STAGES]{};
    std::map<DWORD, LightSlot> lights;  // unbounded in index, as the platform allows
    D3DMATERIAL8 material{};
    // Borrowed pointers: the device holds one reference on each while bound.
    IDirect3DBaseTexture8* textures[D3D_MAX_TEXTURE_STAGES] = {};
    DWORD vertexShader = 0;
    IDirect3DVertexBuffer8* streamSource = nullptr;
    UINT streamStride = 0;
    IDirect3DIndexBuffer8* indices = nullptr;
    UINT baseVertexIndex = 0;

    // The platform's defaults for a new device.
    void setDefaults();
};

// The identity matrix, for defaults and tests.
D3DMATRIX identityMatrix();

}  // namespace platform
