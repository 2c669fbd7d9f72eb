// Our Direct3D 8 device: tracks state exactly as the platform defines it,
// owns the OpenGL back buffer, presents it, and enforces the platform's rule
// that a reset needs every default-pool resource released first. Resource
// creation and drawing live in their own modules (d3d_resources, draw_pipeline).
#pragma once

#include "d3d8_api.h"
#include "device_state.h"
#include "ref_counted.h"

#include <map>
#include <memory>
#include <vector>

namespace platform {

class GlContext;
class StateBlock;

class D3DDevice final : public RefCounted<IDirect3DDevice8> {
public:
    D3DDevice(IDirect3D8* d3d, const D3DDEVICE_CREATION_PARAMETERS& creation,
              const D3DPRESENT_PARAMETERS& params, std::shared_ptr<GlContext> gl);
    ~D3DDevice() override;

    // IUnknown
    HRESULT QueryInterface(REFIID iid, void** object) override;

    // IDirect3DDevice8
    HRESULT TestCooperativeLevel() override;
    HRESULT GetDirect3D(IDirect3D8** d3d) override;
    HRESULT GetDeviceCaps(D3DCAPS8* caps) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* params) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* params) override;
    HRESULT Present(const RECT* source, const RECT* dest, HWND window, const void* dirty) override;

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture8** texture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** buffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** buffer) override;

    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT SetMaterial(const D3DMATERIAL8* material) override;
    HRESULT GetMaterial(D3DMATERIAL8* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT8* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;

    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(DWORD* token) override;
    HRESULT ApplyStateBlock(DWORD token) override;
    HRESULT CaptureStateBlock(DWORD token) override;
    HRESULT DeleteStateBlock(DWORD token) override;

    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                 UINT startIndex, UINT primitiveCount) override;

    HRESULT SetVertexShader(DWORD handle) override;
    HRESULT GetVertexShader(DWORD* handle) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) override;
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer8** buffer, UINT* stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** buffer, UINT* baseVertexIndex) override;

    // For the layer's own modules.
    const DeviceState& state() const { return m_state; }
    GlContext& gl() { return *m_gl; }
    std::shared_ptr<GlContext> glShared() { return m_gl; }
    void defaultPoolResourceCreated() { ++m_defaultPoolResources; }
    void defaultPoolResourceReleased() { --m_defaultPoolResources; }
    int defaultPoolResources() const { return m_defaultPoolResources; }
    bool inScene() const { return m_inScene; }

    // The device the process created last, or null: for host controls.
    static D3DDevice* current();

private:
    friend class StateBlock;
    void bindTexture(DWORD stage, IDirect3DBaseTexture8* texture);
    void bindStream(IDirect3DVertexBuffer8* buffer, UINT stride);
    void bindIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertex);
    void releaseBindings();

    IDirect3D8* m_d3d;
    D3DDEVICE_CREATION_PARAMETERS m_creation;
    D3DPRESENT_PARAMETERS m_params;
    std::shared_ptr<GlContext> m_gl;
    DeviceState m_state;
    bool m_inScene = false;
    bool m_lost = false;
    int m_defaultPoolResources = 0;

    std::map<DWORD, std::unique_ptr<StateBlock>> m_stateBlocks;
    std::unique_ptr<StateBlock> m_recording;
    DWORD m_nextStateBlock = 1;
};

}  // namespace platform
