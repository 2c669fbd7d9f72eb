#include "texture.h"

#define GL_GLEXT_PROTOTYPES 1
#include <SDL_opengl.h>

#include "d3d_device.h"
#include "gl_context.h"
#include "gl_context_objects.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace platform {

namespace {

constexpr UINT kMaxTextureSide = 4096;  // what the device's caps report
std::atomic<UINT> g_extraPitch{0};

UINT fullChainLength(UINT width, UINT height) {
    UINT levels = 1;
    while (width > 1 || height > 1) {
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        ++levels;
    }
    return levels;
}

}  // namespace

void setExtraTexturePitch(UINT bytes) { g_extraPitch = (bytes + 3) / 4 * 4; }

HRESULT Texture::create(D3DDevice& device, UINT width, UINT height, UINT levels, DWORD usage,
                        D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** texture) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (width == 0 || height == 0 || width > kMaxTextureSide || height > kMaxTextureSide)
        return D3DERR_INVALIDCALL;
    if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8) return D3DERR_INVALIDCALL;
    if (!validPool(pool)) return D3DERR_INVALIDCALL;
    // No render-to-texture: the back buffer is the only target.
    if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) return D3DERR_NOTAVAILABLE;
    const UINT chain = fullChainLength(width, height);
    if (levels == 0 || levels > chain) levels = chain;

    Texture* created = new Texture(device, pool, format, usage);
    const UINT extra = g_extraPitch;
    for (UINT i = 0; i < levels; ++i) {
        Level level;
        level.width = std::max(1u, width >> i);
        level.height = std::max(1u, height >> i);
        level.pitch = level.width * 4 + extra;
        created->m_levels.push_back(std::move(level));
    }
    *texture = created;
    return D3D_OK;
}

Texture::Texture(D3DDevice& device, D3DPOOL pool, D3DFORMAT format, DWORD usage)
    : m_resource(device, pool), m_format(format), m_usage(usage) {}

Texture::~Texture() {
    if (!m_glName) return;
    const std::shared_ptr<GlContext> gl = m_resource.context();
    if (!gl) return;  // the context, and the GL texture with it, has gone
    if (std::this_thread::get_id() == m_glThread) {
        gl->makeCurrent();
        glDeleteTextures(1, &m_glName);
    } else {
        deleteTextureLater(gl, m_glName);
    }
}

Texture* Texture::fromInterface(IDirect3DBaseTexture8* texture) {
    return dynamic_cast<Texture*>(texture);
}

uint32_t* Texture::levelBits(Level& level) {
    if (level.bits.empty()) level.bits.assign(size_t(level.pitch / 4) * level.height, 0);
    return level.bits.data();
}

bool Texture::adoptLevel(UINT level, std::vector<uint32_t>&& texels) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (level >= m_levels.size() || m_cpuCopyGone) return false;
    Level& l = m_levels[level];
    if (l.locked || !l.bits.empty() || l.pitch != l.width * 4 ||
        texels.size() != size_t(l.width) * l.height)
        return false;
    l.bits = std::move(texels);
    m_dirty = true;
    return true;
}

HRESULT Texture::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDirect3DBaseTexture8 || iid == IID_IDirect3DTexture8) {
        AddRef();
        *object = static_cast<IDirect3DTexture8*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT Texture::GetDevice(IDirect3DDevice8** device) { return m_resource.getDevice(device); }

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (!desc || level >= m_levels.size()) return D3DERR_INVALIDCALL;
    const Level& l = m_levels[level];
    *desc = D3DSURFACE_DESC{};
    desc->Format = m_format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = m_usage;
    desc->Pool = m_resource.pool();
    desc->Size = l.pitch * l.height;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->Width = l.width;
    desc->Height = l.height;
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (!locked || level >= m_levels.size()) return D3DERR_INVALIDCALL;
    std::lock_guard<std::mutex> guard(m_mutex);
    Level& l = m_levels[level];
    if (l.locked) return D3DERR_INVALIDCALL;
    const bool drawingThread = m_glName != 0 && std::this_thread::get_id() == m_glThread;
    if (m_glName != 0 && !drawingThread) m_lockedElsewhere = true;
    if (m_cpuCopyGone) {
        if (!drawingThread) return D3DERR_WASSTILLDRAWING;
        if (!readBackCpuCopy()) return D3DERR_DEVICELOST;
    }
    size_t offset = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right ||
            rect->top >= rect->bottom || UINT(rect->right) > l.width || UINT(rect->bottom) > l.height)
            return D3DERR_INVALIDCALL;
        offset = size_t(rect->top) * l.pitch + size_t(rect->left) * 4;
    }
    l.locked = true;
    l.writeLock = !(flags & D3DLOCK_READONLY);
    locked->Pitch = INT(l.pitch);
    locked->pBits = reinterpret_cast<uint8_t*>(levelBits(l)) + offset;
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level >= m_levels.size()) return D3DERR_INVALIDCALL;
    std::lock_guard<std::mutex> guard(m_mutex);
    Level& l = m_levels[level];
    if (!l.locked) return D3DERR_INVALIDCALL;
    l.locked = false;
    if (l.writeLock) m_dirty = true;
    return D3D_OK;
}

void Texture::bindForDrawing() {
    // Under the mutex: a lock from another thread asks whether the GL texture exists.
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!m_glName) {
        glGenTextures(1, &m_glName);
        m_glThread = std::this_thread::get_id();
    }
    glBindTexture(GL_TEXTURE_2D, m_glName);
    const bool anyLocked = std::any_of(m_levels.begin(), m_levels.end(), [](const Level& l) { return l.locked; });
    if (m_cpuCopyGone && m_lockedElsewhere) {
        readBackCpuCopy();  // another thread wants to write it: it keeps its copy from now on
        glBindTexture(GL_TEXTURE_2D, m_glName);
    }
    if (m_dirty && !anyLocked) uploadLocked();
    if (!m_dirty && !anyLocked && worthLettingGo()) letGoOfCpuCopy();
}

size_t Texture::cpuCopyBytes() {
    std::lock_guard<std::mutex> guard(m_mutex);
    size_t bytes = 0;
    for (const Level& l : m_levels) bytes += l.bits.size() * sizeof(uint32_t);
    return bytes;
}

// Small pictures are not worth the read-back; X8R8G8B8 ones would not come
// back exactly (GL keeps no fourth byte for them).
bool Texture::worthLettingGo() const {
    constexpr size_t kWorthBytes = 64 * 1024;
    if (m_cpuCopyGone || m_lockedElsewhere || m_format != D3DFMT_A8R8G8B8 || m_resource.pool() != D3DPOOL_MANAGED)
        return false;
    size_t bytes = 0;
    for (const Level& l : m_levels) bytes += size_t(l.pitch) * l.height;
    return bytes >= kWorthBytes;
}

void Texture::letGoOfCpuCopy() {
    for (Level& l : m_levels) std::vector<uint32_t>().swap(l.bits);
    m_cpuCopyGone = true;
}

// Every level back from GL, row by row at the level's pitch. False when the
// device, and the GL texture with it, has gone.
bool Texture::readBackCpuCopy() {
    const std::shared_ptr<GlContext> gl = m_resource.context();
    if (!gl || !m_glName) return false;
    gl->makeCurrent();
    glBindTexture(GL_TEXTURE_2D, m_glName);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    for (size_t i = 0; i < m_levels.size(); ++i) {
        Level& l = m_levels[i];
        glPixelStorei(GL_PACK_ROW_LENGTH, GLint(l.pitch / 4));
        glGetTexImage(GL_TEXTURE_2D, GLint(i), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, levelBits(l));
    }
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    m_cpuCopyGone = false;
    return true;
}

void Texture::applySampling(int wrapS, int wrapT, int magFilter, int minFilter) {
    const int wanted[4] = {wrapS, wrapT, magFilter, minFilter};
    static const GLenum names[4] = {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_MAG_FILTER,
                                    GL_TEXTURE_MIN_FILTER};
    for (int i = 0; i < 4; ++i) {
        if (m_sampling[i] == wanted[i]) continue;
        glTexParameteri(GL_TEXTURE_2D, names[i], wanted[i]);
        m_sampling[i] = wanted[i];
    }
}

// With the mutex held: every level goes up again. X8R8G8B8 becomes an RGB
// texture so that sampling reads alpha 1 whatever the fourth byte holds.
void Texture::uploadLocked() {
    const GLint internal = m_format == D3DFMT_X8R8G8B8 ? GL_RGB8 : GL_RGBA8;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    for (size_t i = 0; i < m_levels.size(); ++i) {
        Level& l = m_levels[i];
        glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(l.pitch / 4));
        glTexImage2D(GL_TEXTURE_2D, GLint(i), internal, GLsizei(l.width), GLsizei(l.height), 0,
                     GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, levelBits(l));
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(m_levels.size() - 1));
    m_dirty = false;
}

}  // namespace platform
