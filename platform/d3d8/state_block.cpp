#include "state_block.h"

#include "d3d_device.h"

namespace platform {

// A block keeps its own reference on every resource it holds.
template <class T>
void StateBlock::hold(T*& slot, T* value) {
    if (value) value->AddRef();
    if (slot) slot->Release();
    slot = value;
}

StateBlock::~StateBlock() {
    for (auto*& texture : m_textures) hold<IDirect3DBaseTexture8>(texture, nullptr);
    hold<IDirect3DVertexBuffer8>(m_stream, nullptr);
    hold<IDirect3DIndexBuffer8>(m_indices, nullptr);
}

void StateBlock::recordRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    m_renderMask.set(state);
    m_render[state] = value;
}

void StateBlock::recordStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    m_stageMask[stage].set(type);
    m_stage[stage][type] = value;
}

void StateBlock::recordTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX& matrix) {
    m_transforms[type] = matrix;
}

void StateBlock::recordMaterial(const D3DMATERIAL8& material) {
    m_hasMaterial = true;
    m_material = material;
}

void StateBlock::recordLight(DWORD index, const D3DLIGHT8& light) { m_lights[index] = light; }

void StateBlock::recordLightEnable(DWORD index, bool enable) { m_lightEnables[index] = enable; }

void StateBlock::recordTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    m_hasTexture[stage] = true;
    hold(m_textures[stage], texture);
}

void StateBlock::recordVertexShader(DWORD handle) {
    m_hasShader = true;
    m_shader = handle;
}

void StateBlock::recordStream(IDirect3DVertexBuffer8* buffer, UINT stride) {
    m_hasStream = true;
    hold(m_stream, buffer);
    m_stride = stride;
}

void StateBlock::recordIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertex) {
    m_hasIndices = true;
    hold(m_indices, buffer);
    m_baseVertex = baseVertex;
}

void StateBlock::capture(const DeviceState& state) {
    for (DWORD i = 0; i < D3DRS_COUNT; ++i)
        if (m_renderMask.test(i)) m_render[i] = state.renderStates[i];
    for (DWORD s = 0; s < D3D_MAX_TEXTURE_STAGES; ++s)
        for (DWORD i = 0; i < D3DTSS_COUNT; ++i)
            if (m_stageMask[s].test(i)) m_stage[s][i] = state.stageStates[s][i];
    for (auto& entry : m_transforms) {
        switch (entry.first) {
            case D3DTS_WORLD: entry.second = state.world; break;
            case D3DTS_VIEW: entry.second = state.view; break;
            case D3DTS_PROJECTION: entry.second = state.projection; break;
            default: break;
        }
    }
    if (m_hasMaterial) m_material = state.material;
    for (auto& entry : m_lights) {
        auto it = state.lights.find(entry.first);
        entry.second = it == state.lights.end() ? D3DLIGHT8{} : it->second.light;
    }
    for (auto& entry : m_lightEnables) {
        auto it = state.lights.find(entry.first);
        entry.second = it != state.lights.end() && it->second.enabled;
    }
    for (DWORD s = 0; s < D3D_MAX_TEXTURE_STAGES; ++s)
        if (m_hasTexture[s]) hold(m_textures[s], state.textures[s]);
    if (m_hasShader) m_shader = state.vertexShader;
    if (m_hasStream) {
        hold(m_stream, state.streamSource);
        m_stride = state.streamStride;
    }
    if (m_hasIndices) {
        hold(m_indices, state.indices);
        m_baseVertex = state.baseVertexIndex;
    }
}

void StateBlock::apply(D3DDevice& device) const {
    for (DWORD i = 0; i < D3DRS_COUNT; ++i)
        if (m_renderMask.test(i)) device.SetRenderState(D3DRENDERSTATETYPE(i), m_render[i]);
    for (DWORD s = 0; s < D3D_MAX_TEXTURE_STAGES; ++s)
        for (DWORD i = 0; i < D3DTSS_COUNT; ++i)
            if (m_stageMask[s].test(i))
                device.SetTextureStageState(s, D3DTEXTURESTAGESTATETYPE(i), m_stage[s][i]);
    for (const auto& entry : m_transforms)
        device.SetTransform(D3DTRANSFORMSTATETYPE(entry.first), &entry.second);
    if (m_hasMaterial) device.SetMaterial(&m_material);
    for (const auto& entry : m_lights) device.SetLight(entry.first, &entry.second);
    for (const auto& entry : m_lightEnables) device.LightEnable(entry.first, entry.second);
    for (DWORD s = 0; s < D3D_MAX_TEXTURE_STAGES; ++s)
        if (m_hasTexture[s]) device.SetTexture(s, m_textures[s]);
    if (m_hasShader) device.SetVertexShader(m_shader);
    if (m_hasStream) device.SetStreamSource(0, m_stream, m_stride);
    if (m_hasIndices) device.SetIndices(m_indices, m_baseVertex);
}

}  // namespace platform
