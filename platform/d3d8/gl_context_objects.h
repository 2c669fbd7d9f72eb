// GL objects the pipeline keeps per GL context: a 1x1 white texture for
// stages that sample with no texture bound, and the buffer objects that
// carry each draw's transformed vertices and indices to GL. They are made on
// first use; an entry whose context has gone is dropped (its GL names went
// with the context).
#pragma once

#include "d3d8_api.h"

#include <memory>

namespace platform {

class D3DDevice;
class GlContext;

// The raster states last applied on a context, as the device held them.
struct RasterKey {
    DWORD stage[D3DTSS_COUNT] = {};
    DWORD render[D3DRS_COUNT] = {};
    bool pretransformed = false;
    bool textured = false;

    bool operator==(const RasterKey& other) const;
};

struct GlContextObjects {
    unsigned whiteTexture = 0;
    unsigned vertexBuffer = 0;
    unsigned indexBuffer = 0;
    // Mesa revalidates a draw's whole fragment state after some calls even
    // when they change nothing, which makes each of a thousand small draws
    // slow; so the pipeline sets what it alone controls only when it differs.
    bool rasterKnown = false;
    RasterKey lastRaster;
    bool fixedStateSet = false;  // identity matrices, arrays enabled, buffers bound
    int backBuffer = -1;         // the framebuffer the device draws into, once seen
    unsigned workSinceHandOver = 0;  // triangles and draws since the driver last got its work
};

// The objects of the device's context, which must be current. Deletions
// deferred for that context are carried out first.
GlContextObjects& glObjectsFor(D3DDevice& device);

// A texture released on a thread that does not draw (the video's streaming
// thread may drop the last reference) must not touch GL there: its name is
// deleted at the context's next draw instead. Safe from any thread.
void deleteTextureLater(const std::weak_ptr<GlContext>& context, unsigned name);

}  // namespace platform
