#include "vertex_buffer.h"

#include "d3d_device.h"

namespace platform {

namespace {

// Far above anything the program makes (the largest is 16800 bytes), and
// low enough that a wrong length fails instead of taking the memory.
constexpr UINT kMaxBufferBytes = 64u * 1024 * 1024;

}  // namespace

HRESULT BufferStorage::lock(UINT offset, UINT size, BYTE** data) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (offset > length()) return D3DERR_INVALIDCALL;
    if (size == 0) size = length() - offset;
    if (size > length() - offset) return D3DERR_INVALIDCALL;
    // Discarding needs no special care: nothing is in flight on a GPU, so the
    // same memory can be handed out at once without a stall.
    ++m_locks;
    ++m_changes;
    *data = m_bytes.data() + offset;
    return D3D_OK;
}

HRESULT BufferStorage::unlock() {
    if (m_locks == 0) return D3DERR_INVALIDCALL;
    --m_locks;
    ++m_changes;
    return D3D_OK;
}

// ---------------------------------------------------------------- vertex buffers

HRESULT VertexBuffer::create(D3DDevice& device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer8** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || length > kMaxBufferBytes || !validPool(pool)) return D3DERR_INVALIDCALL;
    *buffer = new VertexBuffer(device, length, usage, fvf, pool);
    return D3D_OK;
}

VertexBuffer::VertexBuffer(D3DDevice& device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : m_resource(device, pool), m_storage(length), m_usage(usage), m_fvf(fvf) {}

HRESULT VertexBuffer::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDirect3DVertexBuffer8) {
        AddRef();
        *object = static_cast<IDirect3DVertexBuffer8*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT VertexBuffer::Lock(UINT offset, UINT size, BYTE** data, DWORD) {
    return m_storage.lock(offset, size, data);
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, m_usage,
                                 m_resource.pool(), m_storage.length(), m_fvf};
    return D3D_OK;
}

VertexBuffer* VertexBuffer::fromInterface(IDirect3DVertexBuffer8* buffer) {
    return dynamic_cast<VertexBuffer*>(buffer);
}

// ---------------------------------------------------------------- index buffers

HRESULT IndexBuffer::create(D3DDevice& device, UINT length, DWORD usage, D3DFORMAT format,
                            D3DPOOL pool, IDirect3DIndexBuffer8** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || length > kMaxBufferBytes || !validPool(pool)) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    *buffer = new IndexBuffer(device, length, usage, format, pool);
    return D3D_OK;
}

IndexBuffer::IndexBuffer(D3DDevice& device, UINT length, DWORD usage, D3DFORMAT format,
                         D3DPOOL pool)
    : m_resource(device, pool), m_storage(length), m_usage(usage), m_format(format) {}

HRESULT IndexBuffer::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDirect3DIndexBuffer8) {
        AddRef();
        *object = static_cast<IDirect3DIndexBuffer8*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT IndexBuffer::Lock(UINT offset, UINT size, BYTE** data, DWORD) {
    return m_storage.lock(offset, size, data);
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = D3DINDEXBUFFER_DESC{m_format, D3DRTYPE_INDEXBUFFER, m_usage, m_resource.pool(),
                                m_storage.length()};
    return D3D_OK;
}

IndexBuffer* IndexBuffer::fromInterface(IDirect3DIndexBuffer8* buffer) {
    return dynamic_cast<IndexBuffer*>(buffer);
}

}  // namespace platform
