#include "draw_pipeline.h"

#define GL_GLEXT_PROTOTYPES 1
#include <SDL_opengl.h>

#include "d3d_device.h"
#include "fvf_layout.h"
#include "gl_context.h"
#include "gl_context_objects.h"
#include "gl_raster_state.h"
#include "vertex_buffer.h"
#include "vertex_processing.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

namespace platform {

namespace {

GLenum glPrimitive(D3DPRIMITIVETYPE type) {
    switch (type) {
        case D3DPT_POINTLIST: return GL_POINTS;
        case D3DPT_LINELIST: return GL_LINES;
        case D3DPT_LINESTRIP: return GL_LINE_STRIP;
        case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
        case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
        default: return GL_TRIANGLE_FAN;
    }
}

// What every draw needs from the device before it can start.
struct DrawSource {
    FvfLayout layout;
    VertexBuffer* buffer = nullptr;
    const uint8_t* vertices = nullptr;
    UINT stride = 0;
    UINT vertexCapacity = 0;  // whole vertices the stream holds
};

HRESULT prepareSource(const DeviceState& state, DrawSource& source) {
    if (state.vertexShader == 0) return D3DERR_INVALIDCALL;  // no vertex format set
    source.layout = describeFvf(state.vertexShader);
    if (!source.layout.valid) return D3DERR_INVALIDCALL;
    VertexBuffer* buffer = VertexBuffer::fromInterface(state.streamSource);
    if (!buffer) return D3DERR_INVALIDCALL;  // no stream, or not one of ours
    source.buffer = buffer;
    source.stride = state.streamStride;
    if (source.stride < source.layout.stride) return D3DERR_INVALIDCALL;
    const UINT length = buffer->storage().length();
    source.vertices = buffer->storage().data();
    source.vertexCapacity = length < source.layout.stride ? 0 : (length - source.layout.stride) / source.stride + 1;
    return D3D_OK;
}

// Scratch space reused from draw to draw (main thread only).
std::vector<ProcessedVertex>& processedScratch() {
    static std::vector<ProcessedVertex> scratch;
    return scratch;
}
// A draw's indices as GL gets them: counted from the lowest vertex used, in
// the index buffer's own width (an index less the lowest fits it as well).
struct IndexScratch {
    std::vector<uint16_t> narrow;
    std::vector<uint32_t> wide;
};
IndexScratch& indexScratch() {
    static IndexScratch scratch;
    return scratch;
}

// Copies `count` indices of one width and finds the lowest and highest.
template <class Index>
void readIndices(const uint8_t* raw, UINT count, std::vector<Index>& out, uint32_t& lowest, uint32_t& highest) {
    out.resize(count);
    std::memcpy(out.data(), raw, size_t(count) * sizeof(Index));
    Index low = std::numeric_limits<Index>::max(), high = 0;
    for (const Index index : out) {
        low = std::min(low, index);
        high = std::max(high, index);
    }
    lowest = low;
    highest = high;
}

template <class Index>
void rebaseIndices(std::vector<Index>& indices, uint32_t lowest) {
    for (Index& index : indices) index = Index(index - lowest);
}

// A draw whose stream's whole box lies outside the view: nothing of it can
// show, so it is dropped before any vertex is transformed (most of a full
// rock field lies outside the view).
bool outsideView(const DeviceState& state, const DrawSource& source) {
    if (source.layout.pretransformed) return false;
    const PositionBox* box = source.buffer->positionBox(source.stride);
    return box && boxOutsideView(state, *box);
}

// Transforms the vertices of a draw; when all of them lie outside one plane
// of the view volume nothing of the draw can show, and false comes back
// before any lighting is done. Otherwise they are lit as well.
bool processRange(D3DDevice& device, const DrawSource& source, UINT first, UINT count) {
    static VertexProcessor processor;  // kept for its light list's storage
    processor.setUp(device.state(), source.layout, device.gl().width(), device.gl().height());
    std::vector<ProcessedVertex>& out = processedScratch();
    out.resize(count);
    const uint8_t* vertices = source.vertices + size_t(first) * source.stride;
    if (processor.transform(vertices, source.stride, count, out.data())) return false;
    processor.shade(vertices, source.stride, count, out.data());
    return true;
}

// The back buffer, bound again only when something else has bound another
// framebuffer since (presenting does): rebinding the same one is not free.
void bindTarget(D3DDevice& device, GlContextObjects& objects) {
    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    if (objects.backBuffer >= 0 && bound == objects.backBuffer) return;
    device.gl().bindBackBuffer();
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    objects.backBuffer = bound;
}

// What stays the same for every draw: vertices arrive in clip space, so the
// matrices are identities, and the arrays always come from the buffers.
void setFixedState(GlContextObjects& objects) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    const GLsizei stride = sizeof(ProcessedVertex);
    auto at = [](size_t offset) { return reinterpret_cast<const void*>(offset); };
    glBindBuffer(GL_ARRAY_BUFFER, objects.vertexBuffer);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(4, GL_FLOAT, stride, at(offsetof(ProcessedVertex, x)));
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, stride, at(offsetof(ProcessedVertex, r)));
    glClientActiveTexture(GL_TEXTURE0);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, stride, at(offsetof(ProcessedVertex, u)));
    objects.fixedStateSet = true;
}

// A software rasteriser starts filling pixels only when it is handed a
// frame's work, at the latest when the frame is presented; handed it in
// slices, it fills the first while the next is being transformed. A slice is
// about three thousand triangles, a draw counting as eight for its own set-up.
void handOverInSlices(GlContextObjects& objects, UINT vertices) {
    constexpr unsigned kDrawWork = 8, kSliceWork = 3000;
    objects.workSinceHandOver += vertices / 3 + kDrawWork;
    if (objects.workSinceHandOver < kSliceWork) return;
    glFlush();
    objects.workSinceHandOver = 0;
}

// `indices` null draws the vertices in order; otherwise it holds `count`
// indices of GL type `indexType`, `indexSize` bytes each.
void rasterise(D3DDevice& device, const DrawSource& source, D3DPRIMITIVETYPE type, UINT count,
               const void* indices = nullptr, GLenum indexType = GL_UNSIGNED_INT, UINT indexSize = 4) {
    device.gl().makeCurrent();
    GlContextObjects& objects = glObjectsFor(device);
    bindTarget(device, objects);
    applyRasterState(device, source.layout.pretransformed);
    if (!objects.fixedStateSet) setFixedState(objects);

    // Each draw's data goes through the context's own buffer objects: new
    // storage per draw from the ordinary heap, where client arrays would
    // make the driver stream them through freshly mapped memory.
    const std::vector<ProcessedVertex>& vertices = processedScratch();
    glBindBuffer(GL_ARRAY_BUFFER, objects.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(ProcessedVertex)), vertices.data(),
                 GL_STREAM_DRAW);
    if (indices) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, objects.indexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(size_t(count) * indexSize), indices, GL_STREAM_DRAW);
        glDrawRangeElements(glPrimitive(type), 0, GLuint(vertices.size() - 1), GLsizei(count), indexType,
                            nullptr);
    } else {
        glDrawArrays(glPrimitive(type), 0, GLsizei(count));
    }
    handOverInSlices(objects, count);
}

}  // namespace

UINT verticesForPrimitives(D3DPRIMITIVETYPE type, UINT primitiveCount) {
    if (primitiveCount == 0) return 0;
    const uint64_t n = primitiveCount;
    uint64_t vertices = 0;
    switch (type) {
        case D3DPT_POINTLIST: vertices = n; break;
        case D3DPT_LINELIST: vertices = 2 * n; break;
        case D3DPT_LINESTRIP: vertices = n + 1; break;
        case D3DPT_TRIANGLELIST: vertices = 3 * n; break;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: vertices = n + 2; break;
        default: return 0;
    }
    return vertices > 0xFFFFFFFFu ? 0 : UINT(vertices);
}

HRESULT drawPrimitive(D3DDevice& device, D3DPRIMITIVETYPE type, UINT startVertex,
                      UINT primitiveCount) {
    DrawSource source;
    if (const HRESULT hr = prepareSource(device.state(), source); FAILED(hr)) return hr;
    const UINT count = verticesForPrimitives(type, primitiveCount);
    if (count == 0) return D3DERR_INVALIDCALL;
    if (startVertex > source.vertexCapacity || count > source.vertexCapacity - startVertex)
        return D3DERR_INVALIDCALL;
    if (outsideView(device.state(), source)) return D3D_OK;
    if (processRange(device, source, startVertex, count)) rasterise(device, source, type, count);
    return D3D_OK;
}

// minIndex and numVertices are only hints on the platform; the range that is
// transformed comes from the indices themselves, each checked against the stream.
HRESULT drawIndexedPrimitive(D3DDevice& device, D3DPRIMITIVETYPE type, UINT /*minIndex*/,
                             UINT /*numVertices*/, UINT startIndex, UINT primitiveCount) {
    const DeviceState& state = device.state();
    DrawSource source;
    if (const HRESULT hr = prepareSource(state, source); FAILED(hr)) return hr;
    IndexBuffer* indexBuffer = IndexBuffer::fromInterface(state.indices);
    if (!indexBuffer) return D3DERR_INVALIDCALL;
    const UINT count = verticesForPrimitives(type, primitiveCount);
    if (count == 0) return D3DERR_INVALIDCALL;
    const UINT indexSize = indexBuffer->indexSize();
    const UINT available = indexBuffer->storage().length() / indexSize;
    if (startIndex > available || count > available - startIndex) return D3DERR_INVALIDCALL;

    // A draw dropped whole still checks its indices, from the range they
    // had when last read while the index buffer is unchanged.
    IndexRange range;
    const bool known = indexBuffer->knownRange(startIndex, count, range);
    if (known) {
        if (uint64_t(range.highest) + state.baseVertexIndex >= source.vertexCapacity) return D3DERR_INVALIDCALL;
        if (outsideView(state, source)) return D3D_OK;
    }

    // The vertices actually referenced, each transformed once.
    const uint8_t* raw = indexBuffer->storage().data() + size_t(startIndex) * indexSize;
    IndexScratch& scratch = indexScratch();
    uint32_t lowest = 0, highest = 0;
    if (indexSize == 2)
        readIndices(raw, count, scratch.narrow, lowest, highest);
    else
        readIndices(raw, count, scratch.wide, lowest, highest);
    if (!known) {
        indexBuffer->rememberRange(startIndex, count, IndexRange{lowest, highest});
        if (uint64_t(highest) + state.baseVertexIndex >= source.vertexCapacity) return D3DERR_INVALIDCALL;
        if (outsideView(state, source)) return D3D_OK;
    }
    const UINT first = UINT(lowest + state.baseVertexIndex);
    if (!processRange(device, source, first, highest - lowest + 1)) return D3D_OK;
    if (indexSize == 2) {
        rebaseIndices(scratch.narrow, lowest);
        rasterise(device, source, type, count, scratch.narrow.data(), GL_UNSIGNED_SHORT, 2);
    } else {
        rebaseIndices(scratch.wide, lowest);
        rasterise(device, source, type, count, scratch.wide.data(), GL_UNSIGNED_INT, 4);
    }
    return D3D_OK;
}

}  // namespace platform
