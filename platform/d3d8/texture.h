// A texture: a CPU copy of every mip level (what LockRect hands out) and a
// GL texture that is brought up to date on the main thread, at the next draw
// that samples it. A lock from another thread (the video renderer) touches
// only the CPU copy, under the texture's own mutex.
//
// Once a managed A8R8G8B8 texture of some size is in GL and nothing is
// changing it, the CPU copy is let go (the driver holds the texels; keeping
// both doubles the memory of every picture) and read back from GL, exactly,
// when the texture is next locked on the drawing thread. A texture locked
// from another thread keeps its copy from then on; the first such lock after
// the copy went fails with D3DERR_WASSTILLDRAWING (try again: the next draw
// brings the copy back). Once the device has gone, such a texture cannot be
// locked any more (D3DERR_DEVICELOST).
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

    // Bytes the CPU copy holds now (0 once it was let go).
    size_t cpuCopyBytes();

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
    // With the mutex held, on the drawing thread.
    bool worthLettingGo() const;
    void letGoOfCpuCopy();
    bool readBackCpuCopy();

    DeviceResource m_resource;
    D3DFORMAT m_format;
    DWORD m_usage;
    std::mutex m_mutex;  // guards the levels, m_dirty, the copy marks and the GL name
    std::vector<Level> m_levels;
    bool m_dirty = true;
    bool m_cpuCopyGone = false;     // the texels live in GL only
    bool m_lockedElsewhere = false;  // ever locked off the drawing thread
    unsigned m_glName = 0;
    std::thread::id m_glThread;  // the drawing thread, which made the GL texture
    int m_sampling[4] = {-1, -1, -1, -1};
};

// Test seam: extra bytes added to every texture row's pitch from now on (made
// a multiple of 4), so that code ignoring the pitch shows. 0 by default.
void setExtraTexturePitch(UINT bytes);

}  // namespace platform
