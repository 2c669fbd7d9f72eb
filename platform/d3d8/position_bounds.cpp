#include "position_bounds.h"

#include "vertex_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {

namespace {

constexpr UINT kPositionBytes = 3 * sizeof(float);

// False when a coordinate is not finite: such a draw is never dropped.
bool measure(const BufferStorage& storage, UINT stride, PositionBox& box) {
    const UINT length = storage.length();
    if (stride == 0 || length < kPositionBytes) return false;
    const size_t count = (length - kPositionBytes) / stride + 1;
    for (int c = 0; c < 3; ++c) {
        box.low[c] = INFINITY;
        box.high[c] = -INFINITY;
    }
    const uint8_t* vertex = storage.data();
    for (size_t i = 0; i < count; ++i, vertex += stride) {
        float p[3];
        std::memcpy(p, vertex, kPositionBytes);
        for (int c = 0; c < 3; ++c) {
            if (!std::isfinite(p[c])) return false;
            box.low[c] = std::min(box.low[c], p[c]);
            box.high[c] = std::max(box.high[c], p[c]);
        }
    }
    return true;
}

}  // namespace

const PositionBox* PositionBounds::of(const BufferStorage& storage, UINT stride) {
    if (storage.locked()) return nullptr;
    const bool same = m_seen && m_changes == storage.changes() && m_stride == stride;
    if (!same) {
        m_seen = true;
        m_measured = false;
        m_changes = storage.changes();
        m_stride = stride;
        return nullptr;
    }
    if (!m_measured) {
        m_usable = measure(storage, stride, m_box);
        m_measured = true;
    }
    return m_usable ? &m_box : nullptr;
}

}  // namespace platform
