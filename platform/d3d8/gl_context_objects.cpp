#include "gl_context_objects.h"

#define GL_GLEXT_PROTOTYPES 1
#include <SDL_opengl.h>

#include "d3d_device.h"
#include "gl_context.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

namespace platform {

namespace {

GlContextObjects makeObjects() {
    GlContextObjects objects;
    glGenTextures(1, &objects.whiteTexture);
    glBindTexture(GL_TEXTURE_2D, objects.whiteTexture);
    const uint32_t white = 0xFFFFFFFFu;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenBuffers(1, &objects.vertexBuffer);
    glGenBuffers(1, &objects.indexBuffer);
    return objects;
}

struct DeferredDeletion {
    std::weak_ptr<GlContext> context;
    GLuint name;
};

std::mutex g_deferredMutex;
std::vector<DeferredDeletion> g_deferred;
// Whether anything waits in g_deferred: every draw asks, so most of them
// need not take the lock.
std::atomic<bool> g_deferredWaiting{false};

void runDeferredDeletions(const GlContext* current) {
    if (!g_deferredWaiting.load(std::memory_order_acquire)) return;
    std::lock_guard<std::mutex> guard(g_deferredMutex);
    for (auto it = g_deferred.begin(); it != g_deferred.end();) {
        const std::shared_ptr<GlContext> owner = it->context.lock();
        if (owner.get() == current) glDeleteTextures(1, &it->name);
        if (!owner || owner.get() == current)
            it = g_deferred.erase(it);  // done, or gone with its context
        else
            ++it;
    }
    g_deferredWaiting.store(!g_deferred.empty(), std::memory_order_release);
}

}  // namespace

void deleteTextureLater(const std::weak_ptr<GlContext>& context, unsigned name) {
    std::lock_guard<std::mutex> guard(g_deferredMutex);
    g_deferred.push_back({context, name});
    g_deferredWaiting.store(true, std::memory_order_release);
}

bool RasterKey::operator==(const RasterKey& other) const {
    return pretransformed == other.pretransformed && textured == other.textured &&
           std::memcmp(stage, other.stage, sizeof stage) == 0 &&
           std::memcmp(render, other.render, sizeof render) == 0;
}

GlContextObjects& glObjectsFor(D3DDevice& device) {
    // Each entry keeps its context's address for the lookup; an entry whose
    // context has gone is dropped before any comparison, so a new context
    // made at a freed one's address never finds the old objects.
    struct Entry {
        std::weak_ptr<GlContext> context;
        const GlContext* address;
        GlContextObjects objects;
    };
    static std::vector<Entry> entries;  // main thread only, as all drawing is
    const GlContext* current = &device.gl();
    runDeferredDeletions(current);
    for (auto it = entries.begin(); it != entries.end();) {
        if (it->context.expired()) {
            it = entries.erase(it);
        } else if (it->address == current) {
            return it->objects;
        } else {
            ++it;
        }
    }
    entries.push_back({device.glShared(), current, makeObjects()});
    return entries.back().objects;
}

}  // namespace platform
