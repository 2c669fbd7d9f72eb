// The utility library's mesh and buffer objects. A mesh keeps its vertices
// and indices in ordinary device buffers (made through the device interface,
// so any device works) and its per-face material numbers in memory.
#pragma once

#include "d3dx8_api.h"
#include "ref_counted.h"

#include <string>
#include <vector>

namespace platform {

class D3DXBufferObject final : public RefCounted<ID3DXBuffer> {
public:
    explicit D3DXBufferObject(size_t size) : m_bytes(size, 0) {}
    HRESULT QueryInterface(REFIID iid, void** object) override;
    LPVOID GetBufferPointer() override { return m_bytes.empty() ? nullptr : m_bytes.data(); }
    DWORD GetBufferSize() override { return DWORD(m_bytes.size()); }

private:
    std::vector<uint8_t> m_bytes;
};

struct MeshContents {
    DWORD fvf = 0;
    UINT vertexCount = 0;
    UINT faceCount = 0;
    const void* vertices = nullptr;    // vertexCount * the format's stride bytes
    const uint32_t* indices = nullptr;  // 3 * faceCount
    const DWORD* attributes = nullptr;  // faceCount
};

class D3DXMeshObject final : public RefCounted<ID3DXMesh> {
public:
    // Options choose the pool (D3DXMESH_MANAGED, D3DXMESH_SYSTEMMEM, else the
    // default pool) and the index size (D3DXMESH_32BIT, else 16 bits).
    static HRESULT create(IDirect3DDevice8* device, DWORD options, const MeshContents& contents,
                          ID3DXMesh** mesh);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    DWORD GetFVF() override { return m_fvf; }
    DWORD GetNumVertices() override { return m_vertexCount; }
    DWORD GetNumFaces() override { return m_faceCount; }
    DWORD GetOptions() override { return m_options; }
    HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** buffer) override;
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** buffer) override;
    HRESULT LockVertexBuffer(DWORD flags, BYTE** data) override;
    HRESULT UnlockVertexBuffer() override;
    HRESULT LockIndexBuffer(DWORD flags, BYTE** data) override;
    HRESULT UnlockIndexBuffer() override;
    HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) override;
    HRESULT UnlockAttributeBuffer() override;
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device,
                         ID3DXMesh** clone) override;

private:
    D3DXMeshObject() = default;
    ~D3DXMeshObject() override;

    DWORD m_options = 0;
    DWORD m_fvf = 0;
    UINT m_vertexCount = 0;
    UINT m_faceCount = 0;
    IDirect3DVertexBuffer8* m_vertexBuffer = nullptr;
    IDirect3DIndexBuffer8* m_indexBuffer = nullptr;
    std::vector<DWORD> m_attributes;
    int m_attributeLocks = 0;
};

// The largest vertex count a mesh with these options may have.
UINT maxMeshVertices(DWORD options);

}  // namespace platform
