// Vertex and index buffers: the CPU copy is the buffer. Transform and
// lighting run on the CPU, so the pipeline reads the bytes directly and no GL
// buffer object is needed; a lock hands out the copy itself.
#pragma once

#include "d3d8_api.h"
#include "device_resource.h"
#include "index_range.h"
#include "position_bounds.h"
#include "ref_counted.h"

#include <cstdint>
#include <vector>

namespace platform {

class D3DDevice;

// The bytes and lock rules both kinds of buffer share.
class BufferStorage {
public:
    explicit BufferStorage(UINT length) : m_bytes(length, 0) {}
    // offset/size as Lock takes them: size 0 means "to the end".
    HRESULT lock(UINT offset, UINT size, BYTE** data);
    HRESULT unlock();
    const uint8_t* data() const { return m_bytes.data(); }
    UINT length() const { return UINT(m_bytes.size()); }
    bool locked() const { return m_locks > 0; }
    // Counts locks and unlocks: while it stands still the bytes are the same.
    uint64_t changes() const { return m_changes; }

private:
    std::vector<uint8_t> m_bytes;
    int m_locks = 0;
    uint64_t m_changes = 0;
};

class VertexBuffer final : public RefCounted<IDirect3DVertexBuffer8> {
public:
    static HRESULT create(D3DDevice& device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                          IDirect3DVertexBuffer8** buffer);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    HRESULT GetDevice(IDirect3DDevice8** device) override { return m_resource.getDevice(device); }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override { return m_storage.unlock(); }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

    const BufferStorage& storage() const { return m_storage; }
    // The box around the positions, for vertices `stride` bytes apart (see
    // PositionBounds for when there is none).
    const PositionBox* positionBox(UINT stride) { return m_bounds.of(m_storage, stride); }
    static VertexBuffer* fromInterface(IDirect3DVertexBuffer8* buffer);

private:
    VertexBuffer(D3DDevice& device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

    DeviceResource m_resource;
    BufferStorage m_storage;
    PositionBounds m_bounds;
    DWORD m_usage;
    DWORD m_fvf;
};

class IndexBuffer final : public RefCounted<IDirect3DIndexBuffer8> {
public:
    static HRESULT create(D3DDevice& device, UINT length, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DIndexBuffer8** buffer);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    HRESULT GetDevice(IDirect3DDevice8** device) override { return m_resource.getDevice(device); }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override { return m_storage.unlock(); }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

    const BufferStorage& storage() const { return m_storage; }
    UINT indexSize() const { return m_format == D3DFMT_INDEX32 ? 4 : 2; }
    // The lowest and highest of `count` indices from `start`, when known
    // since the buffer last changed.
    bool knownRange(UINT start, UINT count, IndexRange& range) const {
        return m_ranges.find(m_storage, start, count, range);
    }
    void rememberRange(UINT start, UINT count, const IndexRange& range) {
        m_ranges.remember(m_storage, start, count, range);
    }
    static IndexBuffer* fromInterface(IDirect3DIndexBuffer8* buffer);

private:
    IndexBuffer(D3DDevice& device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    DeviceResource m_resource;
    BufferStorage m_storage;
    IndexRangeCache m_ranges;
    DWORD m_usage;
    D3DFORMAT m_format;
};

}  // namespace platform
