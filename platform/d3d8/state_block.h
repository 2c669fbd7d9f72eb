// A recorded set of device states. Recording notes which states were set and
// their values; capture refreshes those values from the device; apply sets
// them on the device again.
#pragma once

#include "d3d8_api.h"
#include "device_state.h"

#include <bitset>
#include <map>
#include <set>

namespace platform {

class D3DDevice;

class StateBlock {
public:
    ~StateBlock();

    void recordRenderState(D3DRENDERSTATETYPE state, DWORD value);
    void recordStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    void recordTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX& matrix);
    void recordMaterial(const D3DMATERIAL8& material);
    void recordLight(DWORD index, const D3DLIGHT8& light);
    void recordLightEnable(DWORD index, bool enable);
    void recordTexture(DWORD stage, IDirect3DBaseTexture8* texture);
    void recordVertexShader(DWORD handle);
    void recordStream(IDirect3DVertexBuffer8* buffer, UINT stride);
    void recordIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertex);

    void capture(const DeviceState& state);
    void apply(D3DDevice& device) const;

private:
    template <class T>
    static void hold(T*& slot, T* value);

    std::bitset<D3DRS_COUNT> m_renderMask;
    DWORD m_render[D3DRS_COUNT] = {};
    std::bitset<D3DTSS_COUNT> m_stageMask[D3D_MAX_TEXTURE_STAGES];
    DWORD m_stage[D3D_MAX_TEXTURE_STAGES][D3DTSS_COUNT] = {};
    std::map<DWORD, D3DMATRIX> m_transforms;
    bool m_hasMaterial = false;
    D3DMATERIAL8 m_material{};
    std::map<DWORD, D3DLIGHT8> m_lights;
    std::map<DWORD, bool> m_lightEnables;
    bool m_hasTexture[D3D_MAX_TEXTURE_STAGES] = {};
    IDirect3DBaseTexture8* m_textures[D3D_MAX_TEXTURE_STAGES] = {};
    bool m_hasShader = false;
    DWORD m_shader = 0;
    bool m_hasStream = false;
    IDirect3DVertexBuffer8* m_stream = nullptr;
    UINT m_stride = 0;
    bool m_hasIndices = false;
    IDirect3DIndexBuffer8* m_indices = nullptr;
    UINT m_baseVertex = 0;
};

}  // namespace platform
