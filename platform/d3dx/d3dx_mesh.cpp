#include "d3dx_mesh.h"

#include "fvf_layout.h"

#include <algorithm>
#include <cstring>

const IID IID_ID3DXMesh = {0x52f2c1a0, 0x3e6e, 0x4b0a, {0x9b, 0x11, 0x70, 0x33, 0x8e, 0x41, 0x02, 0x01}};
const IID IID_ID3DXBuffer = {0x52f2c1a0, 0x3e6e, 0x4b0a, {0x9b, 0x11, 0x70, 0x33, 0x8e, 0x41, 0x02, 0x02}};

namespace platform {

namespace {

constexpr UINT kMax16BitVertices = 65535;
constexpr UINT kMax32BitVertices = 16u * 1024 * 1024;

D3DPOOL poolFor(DWORD options) {
    if ((options & D3DXMESH_MANAGED) == D3DXMESH_MANAGED) return D3DPOOL_MANAGED;
    if ((options & D3DXMESH_SYSTEMMEM) == D3DXMESH_SYSTEMMEM) return D3DPOOL_SYSTEMMEM;
    return D3DPOOL_DEFAULT;
}

// Copies each vertex from one layout to another: parts both have are copied,
// a new diffuse colour is white, every other new part is 0.
void convertVertices(const uint8_t* in, const FvfLayout& from, uint8_t* out, const FvfLayout& to,
                     UINT count) {
    const UINT sharedSets = std::min(from.texCoordSets, to.texCoordSets);
    const DWORD white = 0xFFFFFFFFu;
    for (UINT i = 0; i < count; ++i, in += from.stride, out += to.stride) {
        std::memset(out, 0, to.stride);
        std::memcpy(out, in, to.pretransformed ? 16 : 12);
        if (to.normal >= 0 && from.normal >= 0) std::memcpy(out + to.normal, in + from.normal, 12);
        if (to.diffuse >= 0) {
            std::memcpy(out + to.diffuse, from.diffuse >= 0 ? in + from.diffuse : reinterpret_cast<const uint8_t*>(&white), 4);
        }
        if (to.specular >= 0 && from.specular >= 0) std::memcpy(out + to.specular, in + from.specular, 4);
        if (sharedSets > 0) std::memcpy(out + to.texCoord0, in + from.texCoord0, 8 * sharedSets);
    }
}

}  // namespace

UINT maxMeshVertices(DWORD options) {
    return (options & D3DXMESH_32BIT) ? kMax32BitVertices : kMax16BitVertices;
}

HRESULT D3DXBufferObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ID3DXBuffer) {
        AddRef();
        *object = static_cast<ID3DXBuffer*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// ---------------------------------------------------------------- creation

HRESULT D3DXMeshObject::create(IDirect3DDevice8* device, DWORD options,
                               const MeshContents& contents, ID3DXMesh** mesh) {
    if (!mesh) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    const FvfLayout layout = describeFvf(contents.fvf);
    if (!device || !layout.valid || contents.vertexCount == 0 || contents.faceCount == 0)
        return D3DERR_INVALIDCALL;
    if (contents.vertexCount > maxMeshVertices(options)) return D3DERR_INVALIDCALL;
    if (uint64_t(contents.faceCount) * 3 * 4 > 0xFFFFFFFFull) return D3DERR_INVALIDCALL;
    for (UINT i = 0; i < contents.faceCount * 3; ++i)
        if (contents.indices[i] >= contents.vertexCount) return D3DERR_INVALIDCALL;

    D3DXMeshObject* created = new D3DXMeshObject;
    created->m_options = options;
    created->m_fvf = contents.fvf;
    created->m_vertexCount = contents.vertexCount;
    created->m_faceCount = contents.faceCount;
    created->m_attributes.assign(contents.attributes, contents.attributes + contents.faceCount);

    const D3DPOOL pool = poolFor(options);
    const bool wide = options & D3DXMESH_32BIT;
    const UINT indexSize = wide ? 4 : 2;
    HRESULT hr = device->CreateVertexBuffer(contents.vertexCount * layout.stride, 0, contents.fvf,
                                            pool, &created->m_vertexBuffer);
    if (SUCCEEDED(hr))
        hr = device->CreateIndexBuffer(contents.faceCount * 3 * indexSize, 0,
                                       wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16, pool,
                                       &created->m_indexBuffer);
    BYTE* bytes = nullptr;
    if (SUCCEEDED(hr) && SUCCEEDED(hr = created->m_vertexBuffer->Lock(0, 0, &bytes, 0))) {
        std::memcpy(bytes, contents.vertices, size_t(contents.vertexCount) * layout.stride);
        created->m_vertexBuffer->Unlock();
    }
    if (SUCCEEDED(hr) && SUCCEEDED(hr = created->m_indexBuffer->Lock(0, 0, &bytes, 0))) {
        for (UINT i = 0; i < contents.faceCount * 3; ++i) {
            if (wide) {
                std::memcpy(bytes + size_t(i) * 4, &contents.indices[i], 4);
            } else {
                const uint16_t small = uint16_t(contents.indices[i]);
                std::memcpy(bytes + size_t(i) * 2, &small, 2);
            }
        }
        created->m_indexBuffer->Unlock();
    }
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *mesh = created;
    return D3D_OK;
}

D3DXMeshObject::~D3DXMeshObject() {
    if (m_vertexBuffer) m_vertexBuffer->Release();
    if (m_indexBuffer) m_indexBuffer->Release();
}

HRESULT D3DXMeshObject::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ID3DXMesh) {
        AddRef();
        *object = static_cast<ID3DXMesh*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// The mesh takes no reference on the device itself (a global mesh may be
// released at exit, after the device); its buffers know whether it lives.
HRESULT D3DXMeshObject::GetDevice(IDirect3DDevice8** device) {
    if (!device) return D3DERR_INVALIDCALL;
    return m_vertexBuffer->GetDevice(device);
}

// ---------------------------------------------------------------- buffers

HRESULT D3DXMeshObject::GetVertexBuffer(IDirect3DVertexBuffer8** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    m_vertexBuffer->AddRef();
    *buffer = m_vertexBuffer;
    return D3D_OK;
}

HRESULT D3DXMeshObject::GetIndexBuffer(IDirect3DIndexBuffer8** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    m_indexBuffer->AddRef();
    *buffer = m_indexBuffer;
    return D3D_OK;
}

HRESULT D3DXMeshObject::LockVertexBuffer(DWORD flags, BYTE** data) {
    return m_vertexBuffer->Lock(0, 0, data, flags);
}
HRESULT D3DXMeshObject::UnlockVertexBuffer() { return m_vertexBuffer->Unlock(); }
HRESULT D3DXMeshObject::LockIndexBuffer(DWORD flags, BYTE** data) {
    return m_indexBuffer->Lock(0, 0, data, flags);
}
HRESULT D3DXMeshObject::UnlockIndexBuffer() { return m_indexBuffer->Unlock(); }

HRESULT D3DXMeshObject::LockAttributeBuffer(DWORD, DWORD** data) {
    if (!data) return D3DERR_INVALIDCALL;
    ++m_attributeLocks;
    *data = m_attributes.data();
    return D3D_OK;
}

HRESULT D3DXMeshObject::UnlockAttributeBuffer() {
    if (m_attributeLocks == 0) return D3DERR_INVALIDCALL;
    --m_attributeLocks;
    return D3D_OK;
}

// ---------------------------------------------------------------- clone

HRESULT D3DXMeshObject::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device,
                                     ID3DXMesh** clone) {
    if (!clone) return D3DERR_INVALIDCALL;
    *clone = nullptr;
    const FvfLayout from = describeFvf(m_fvf), to = describeFvf(fvf);
    if (!device || !to.valid || from.pretransformed != to.pretransformed) return D3DERR_INVALIDCALL;

    std::vector<uint8_t> vertices(size_t(m_vertexCount) * to.stride);
    std::vector<uint32_t> indices(size_t(m_faceCount) * 3);
    BYTE* bytes = nullptr;
    if (FAILED(m_vertexBuffer->Lock(0, 0, &bytes, D3DLOCK_READONLY))) return D3DERR_INVALIDCALL;
    convertVertices(bytes, from, vertices.data(), to, m_vertexCount);
    m_vertexBuffer->Unlock();
    if (FAILED(m_indexBuffer->Lock(0, 0, &bytes, D3DLOCK_READONLY))) return D3DERR_INVALIDCALL;
    const bool wide = m_options & D3DXMESH_32BIT;
    for (size_t i = 0; i < indices.size(); ++i) {
        if (wide) {
            std::memcpy(&indices[i], bytes + i * 4, 4);
        } else {
            uint16_t small;
            std::memcpy(&small, bytes + i * 2, 2);
            indices[i] = small;
        }
    }
    m_indexBuffer->Unlock();

    MeshContents contents;
    contents.fvf = fvf;
    contents.vertexCount = m_vertexCount;
    contents.faceCount = m_faceCount;
    contents.vertices = vertices.data();
    contents.indices = indices.data();
    contents.attributes = m_attributes.data();
    return create(device, options, contents, clone);
}

}  // namespace platform
