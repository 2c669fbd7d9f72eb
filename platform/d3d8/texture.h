// A texture: a CPU copy of every mip level (what LockRect hands out) and a
// GL texture that is brought up to date on the main thread, at the next draw
// that samples it. A lock from another thread (the video renderer) touches
// only the CPU copy, under the texture's own mutex.
#pragma once

#include "d3d8_api.h"
#include "device_resource.h"
#include "ref_counted.h"

#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

class D3DDevice;

class Texture final : public RefCounted<IDirect3DTexture8> {
public:
    // levels 0 asks for the full chain down to 1x1.
    static HRESULT create(D3DDevice& device, UINT width, UINT height, UINT levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture);

    // IUnknown
    HRESULT QueryInterface(REFIID iid, void** object) override;
    // IDirect3DResource8
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    // IDirect3DBaseTexture8
    DWORD GetLevelCount() override { return DWORD(m_levels.size()); }
    // IDirect3DTexture8
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    D3DFORMAT format() const { return m_format; }
    // Main thread, GL context current: binds the texture to GL_TEXTURE_2D and
    // uploads what changed (unless a level is locked right now; the upload
    // then waits for a later draw).
    void bindForDrawing();
    // Sets the bound GL texture's wrapping and filters when they differ from
    // what it has (GL keeps them per texture).
    void applySampling(int wrapS, int wrapT, int magFilter, int minFilter);

    // The pipeline's view of a bound texture: ours or nothing.
    static Texture* fromInterface(IDirect3DBaseTexture8* texture);

    // Hands a level its texels (width * height of them, rows packed) instead
    // of a copy through LockRect, so a loaded image is not held twice. Refused
    // (false, nothing taken) when the level's rows are padded, its size
    // differs, or it was locked or drawn already.
    bool adoptLevel(UINT level, std::vector<uint32_t>&& texels);

private:
    // A level's texels are made (zeroed) when first locked or uploaded, so
    // that a level filled by adoption is never allocated twice.
    struct Level {
        UINT width = 0, height = 0, pitch = 0;
        std::vector<uint32_t> bits;  // pitch / 4 * height once made
        bool locked = false;
        bool writeLock = false;
    };

    Texture(D3DDevice& device, D3DPOOL pool, D3DFORMAT format, DWORD usage);
    ~Texture() override;
    void uploadLocked();
    static uint32_t* levelBits(Level& level);

    DeviceResource m_resource;
    D3DFORMAT m_format;
    DWORD m_usage;
    std::mutex m_mutex;  // guards the levels' bits, their lock marks and m_dirty
    std::vector<Level> m_levels;
    bool m_dirty = true;
    unsigned m_glName = 0;
    std::thread::id m_glThread;  // the drawing thread, which made the GL texture
    int m_sampling[4] = {-1, -1, -1, -1};
};

// Test seam: extra bytes added to every texture row's pitch from now on (made
// a multiple of 4), so that code ignoring the pitch shows. 0 by default.
void setExtraTexturePitch(UINT bytes);

}  // namespace platform
