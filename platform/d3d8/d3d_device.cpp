#include "d3d_device.h"

#define GL_GLEXT_PROTOTYPES 1
#include <SDL_opengl.h>

#include "d3d_resources.h"
#include "device_faults.h"
#include "draw_pipeline.h"
#include "gl_context.h"
#include "state_block.h"

namespace platform {

namespace {
D3DDevice* g_currentDevice = nullptr;

bool validStage(DWORD stage) { return stage < D3D_MAX_TEXTURE_STAGES; }
}  // namespace

D3DDevice* D3DDevice::current() { return g_currentDevice; }

D3DDevice::D3DDevice(IDirect3D8* d3d, const D3DDEVICE_CREATION_PARAMETERS& creation,
                     const D3DPRESENT_PARAMETERS& params, std::shared_ptr<GlContext> gl)
    : m_d3d(d3d), m_creation(creation), m_params(params), m_gl(std::move(gl)) {
    m_d3d->AddRef();
    m_state.setDefaults();
    g_currentDevice = this;
}

D3DDevice::~D3DDevice() {
    releaseBindings();
    m_stateBlocks.clear();
    m_recording.reset();
    if (g_currentDevice == this) g_currentDevice = nullptr;
    m_d3d->Release();
}

void D3DDevice::releaseBindings() {
    for (DWORD stage = 0; stage < D3D_MAX_TEXTURE_STAGES; ++stage) bindTexture(stage, nullptr);
    bindStream(nullptr, 0);
    bindIndices(nullptr, 0);
}

HRESULT D3DDevice::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDirect3DDevice8) {
        AddRef();
        *object = static_cast<IDirect3DDevice8*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// ---------------------------------------------------------------- device life

HRESULT D3DDevice::TestCooperativeLevel() {
    if (!m_lost) return D3D_OK;
    auto& script = DeviceFaults::instance().cooperativeScript;
    if (!script.empty()) {
        const HRESULT answer = script.front();
        script.pop_front();
        if (answer == D3D_OK) m_lost = false;  // the device came back by itself
        return answer;
    }
    return D3DERR_DEVICENOTRESET;
}

HRESULT D3DDevice::GetDirect3D(IDirect3D8** d3d) {
    if (!d3d) return D3DERR_INVALIDCALL;
    m_d3d->AddRef();
    *d3d = m_d3d;
    return D3D_OK;
}

HRESULT D3DDevice::GetDeviceCaps(D3DCAPS8* caps) {
    return m_d3d->GetDeviceCaps(m_creation.AdapterOrdinal, m_creation.DeviceType, caps);
}

HRESULT D3DDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* params) {
    if (!params) return D3DERR_INVALIDCALL;
    *params = m_creation;
    return D3D_OK;
}

HRESULT D3DDevice::Reset(D3DPRESENT_PARAMETERS* params) {
    DeviceFaults& faults = DeviceFaults::instance();
    ++faults.resetCalls;
    if (!params) return D3DERR_INVALIDCALL;
    // The platform's rule: nothing in the default pool may survive a reset.
    if (m_defaultPoolResources > 0) return D3DERR_INVALIDCALL;
    if (faults.resetRefusals > 0) {
        --faults.resetRefusals;
        return D3DERR_DEVICELOST;
    }
    const int width = params->BackBufferWidth ? int(params->BackBufferWidth) : m_gl->width();
    const int height = params->BackBufferHeight ? int(params->BackBufferHeight) : m_gl->height();
    if ((width != m_gl->width() || height != m_gl->height()) && !m_gl->resize(width, height))
        return D3DERR_NOTAVAILABLE;
    m_params = *params;
    m_lost = false;
    m_inScene = false;
    // Managed resources and device state are kept across the reset; the
    // application restores its own states anyway.
    return D3D_OK;
}

HRESULT D3DDevice::Present(const RECT*, const RECT*, HWND, const void*) {
    DeviceFaults& faults = DeviceFaults::instance();
    ++faults.presentCalls;
    if (m_lost) return D3DERR_DEVICELOST;
    if (faults.presentsUntilLost == 0) {
        faults.presentsUntilLost = -1;
        m_lost = true;
        return D3DERR_DEVICELOST;
    }
    if (faults.presentsUntilLost > 0) --faults.presentsUntilLost;
    if (FAILED(faults.presentFailureOnce)) {
        const HRESULT failure = faults.presentFailureOnce;
        faults.presentFailureOnce = S_OK;
        return failure;
    }
    if (m_inScene) return D3DERR_INVALIDCALL;
    m_gl->present();
    if (faults.afterPresent) faults.afterPresent(faults.presentCalls);
    return D3D_OK;
}

// ---------------------------------------------------------------- resources

HRESULT D3DDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                 D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture) {
    return createTexture(*this, width, height, levels, usage, format, pool, texture);
}

HRESULT D3DDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                      IDirect3DVertexBuffer8** buffer) {
    return createVertexBuffer(*this, length, usage, fvf, pool, buffer);
}

HRESULT D3DDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                     IDirect3DIndexBuffer8** buffer) {
    return createIndexBuffer(*this, length, usage, format, pool, buffer);
}

// ---------------------------------------------------------------- scene

HRESULT D3DDevice::BeginScene() {
    if (m_inScene) return D3DERR_INVALIDCALL;
    m_inScene = true;
    return D3D_OK;
}

HRESULT D3DDevice::EndScene() {
    if (!m_inScene) return D3DERR_INVALIDCALL;
    m_inScene = false;
    return D3D_OK;
}

HRESULT D3DDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                         DWORD stencil) {
    if (count > 0 && !rects) return D3DERR_INVALIDCALL;
    m_gl->bindBackBuffer();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        glClearColor(((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
                     (color & 0xFF) / 255.0f, ((color >> 24) & 0xFF) / 255.0f);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        glClearDepth(z);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_STENCIL) {
        glClearStencil(GLint(stencil));
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    // Clearing ignores the drawing states: every channel and the depth buffer are written.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFF);
    if (count == 0) {
        glDisable(GL_SCISSOR_TEST);
        glClear(mask);
        return D3D_OK;
    }
    glEnable(GL_SCISSOR_TEST);
    for (DWORD i = 0; i < count; ++i) {
        const D3DRECT& r = rects[i];
        glScissor(r.x1, m_gl->height() - r.y2, r.x2 - r.x1, r.y2 - r.y1);
        glClear(mask);
    }
    glDisable(GL_SCISSOR_TEST);
    return D3D_OK;
}

// ---------------------------------------------------------------- transforms, lights, states

HRESULT D3DDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    if (m_recording) {
        m_recording->recordTransform(state, *matrix);
        return D3D_OK;
    }
    switch (state) {
        case D3DTS_WORLD: m_state.world = *matrix; break;
        case D3DTS_VIEW: m_state.view = *matrix; break;
        case D3DTS_PROJECTION: m_state.projection = *matrix; break;
        default:
            if (state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + D3D_MAX_TEXTURE_STAGES) {
                m_state.textureMatrix[state - D3DTS_TEXTURE0] = *matrix;
                break;
            }
            return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT D3DDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    switch (state) {
        case D3DTS_WORLD: *matrix = m_state.world; break;
        case D3DTS_VIEW: *matrix = m_state.view; break;
        case D3DTS_PROJECTION: *matrix = m_state.projection; break;
        default:
            if (state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + D3D_MAX_TEXTURE_STAGES) {
                *matrix = m_state.textureMatrix[state - D3DTS_TEXTURE0];
                break;
            }
            return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT D3DDevice::SetMaterial(const D3DMATERIAL8* material) {
    if (!material) return D3DERR_INVALIDCALL;
    if (m_recording)
        m_recording->recordMaterial(*material);
    else
        m_state.material = *material;
    return D3D_OK;
}

HRESULT D3DDevice::GetMaterial(D3DMATERIAL8* material) {
    if (!material) return D3DERR_INVALIDCALL;
    *material = m_state.material;
    return D3D_OK;
}

HRESULT D3DDevice::SetLight(DWORD index, const D3DLIGHT8* light) {
    if (!light) return D3DERR_INVALIDCALL;
    if (m_recording)
        m_recording->recordLight(index, *light);
    else
        m_state.lights[index].light = *light;
    return D3D_OK;
}

HRESULT D3DDevice::GetLight(DWORD index, D3DLIGHT8* light) {
    auto it = m_state.lights.find(index);
    if (!light || it == m_state.lights.end()) return D3DERR_INVALIDCALL;
    *light = it->second.light;
    return D3D_OK;
}

HRESULT D3DDevice::LightEnable(DWORD index, BOOL enable) {
    if (m_recording) {
        m_recording->recordLightEnable(index, enable != FALSE);
        return D3D_OK;
    }
    auto it = m_state.lights.find(index);
    if (it == m_state.lights.end()) {
        // Enabling a light that was never set gives it the platform's default
        // record: a white directional light shining along +z.
        LightSlot slot;
        slot.light.Type = D3DLIGHT_DIRECTIONAL;
        slot.light.Diffuse = D3DCOLORVALUE{1, 1, 1, 0};
        slot.light.Direction = D3DVECTOR{0, 0, 1};
        it = m_state.lights.emplace(index, slot).first;
    }
    it->second.enabled = enable != FALSE;
    return D3D_OK;
}

HRESULT D3DDevice::GetLightEnable(DWORD index, BOOL* enable) {
    auto it = m_state.lights.find(index);
    if (!enable || it == m_state.lights.end()) return D3DERR_INVALIDCALL;
    *enable = it->second.enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT D3DDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (state >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
    if (m_recording)
        m_recording->recordRenderState(state, value);
    else
        m_state.renderStates[state] = value;
    return D3D_OK;
}

HRESULT D3DDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (state >= D3DRS_COUNT || !value) return D3DERR_INVALIDCALL;
    *value = m_state.renderStates[state];
    return D3D_OK;
}

// ---------------------------------------------------------------- state blocks

HRESULT D3DDevice::BeginStateBlock() {
    if (m_recording) return D3DERR_INVALIDCALL;
    m_recording = std::make_unique<StateBlock>();
    return D3D_OK;
}

HRESULT D3DDevice::EndStateBlock(DWORD* token) {
    if (!m_recording || !token) return D3DERR_INVALIDCALL;
    *token = m_nextStateBlock++;
    m_stateBlocks[*token] = std::move(m_recording);
    return D3D_OK;
}

HRESULT D3DDevice::ApplyStateBlock(DWORD token) {
    auto it = m_stateBlocks.find(token);
    if (m_recording || it == m_stateBlocks.end()) return D3DERR_INVALIDCALL;
    it->second->apply(*this);
    return D3D_OK;
}

HRESULT D3DDevice::CaptureStateBlock(DWORD token) {
    auto it = m_stateBlocks.find(token);
    if (m_recording || it == m_stateBlocks.end()) return D3DERR_INVALIDCALL;
    it->second->capture(m_state);
    return D3D_OK;
}

HRESULT D3DDevice::DeleteStateBlock(DWORD token) {
    if (m_recording || !m_stateBlocks.erase(token)) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

// ---------------------------------------------------------------- textures and streams

void D3DDevice::bindTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    if (texture) texture->AddRef();
    if (m_state.textures[stage]) m_state.textures[stage]->Release();
    m_state.textures[stage] = texture;
}

void D3DDevice::bindStream(IDirect3DVertexBuffer8* buffer, UINT stride) {
    if (buffer) buffer->AddRef();
    if (m_state.streamSource) m_state.streamSource->Release();
    m_state.streamSource = buffer;
    m_state.streamStride = stride;
}

void D3DDevice::bindIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertex) {
    if (buffer) buffer->AddRef();
    if (m_state.indices) m_state.indices->Release();
    m_state.indices = buffer;
    m_state.baseVertexIndex = baseVertex;
}

HRESULT D3DDevice::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) {
    if (!validStage(stage) || !texture) return D3DERR_INVALIDCALL;
    *texture = m_state.textures[stage];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT D3DDevice::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    if (!validStage(stage)) return D3DERR_INVALIDCALL;
    if (m_recording)
        m_recording->recordTexture(stage, texture);
    else
        bindTexture(stage, texture);
    return D3D_OK;
}

HRESULT D3DDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (!validStage(stage) || type >= D3DTSS_COUNT || !value) return D3DERR_INVALIDCALL;
    *value = m_state.stageStates[stage][type];
    return D3D_OK;
}

HRESULT D3DDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (!validStage(stage) || type >= D3DTSS_COUNT) return D3DERR_INVALIDCALL;
    if (m_recording)
        m_recording->recordStageState(stage, type, value);
    else
        m_state.stageStates[stage][type] = value;
    return D3D_OK;
}

HRESULT D3DDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    return drawPrimitive(*this, type, startVertex, primitiveCount);
}

HRESULT D3DDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                        UINT startIndex, UINT primitiveCount) {
    return drawIndexedPrimitive(*this, type, minIndex, numVertices, startIndex, primitiveCount);
}

HRESULT D3DDevice::SetVertexShader(DWORD handle) {
    if (m_recording)
        m_recording->recordVertexShader(handle);
    else
        m_state.vertexShader = handle;
    return D3D_OK;
}

HRESULT D3DDevice::GetVertexShader(DWORD* handle) {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = m_state.vertexShader;
    return D3D_OK;
}

HRESULT D3DDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) {
    if (stream != 0) return D3DERR_INVALIDCALL;  // one stream is all the fixed pipeline needs here
    if (m_recording)
        m_recording->recordStream(buffer, stride);
    else
        bindStream(buffer, stride);
    return D3D_OK;
}

HRESULT D3DDevice::GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer, UINT* stride) {
    if (stream != 0 || !buffer || !stride) return D3DERR_INVALIDCALL;
    *buffer = m_state.streamSource;
    if (*buffer) (*buffer)->AddRef();
    *stride = m_state.streamStride;
    return D3D_OK;
}

HRESULT D3DDevice::SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex) {
    if (m_recording)
        m_recording->recordIndices(buffer, baseVertexIndex);
    else
        bindIndices(buffer, baseVertexIndex);
    return D3D_OK;
}

HRESULT D3DDevice::GetIndices(IDirect3DIndexBuffer8** buffer, UINT* baseVertexIndex) {
    if (!buffer || !baseVertexIndex) return D3DERR_INVALIDCALL;
    *buffer = m_state.indices;
    if (*buffer) (*buffer)->AddRef();
    *baseVertexIndex = m_state.baseVertexIndex;
    return D3D_OK;
}

}  // namespace platform
