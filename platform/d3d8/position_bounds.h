// The box around a vertex buffer's positions, kept from draw to draw: a draw
// whose box lies wholly outside the view is dropped without transforming a
// single vertex (a full rock field is mostly outside the view).
#pragma once

#include "d3d8_api.h"

#include <cstdint>

namespace platform {

class BufferStorage;

struct PositionBox {
    float low[3];
    float high[3];
};

class PositionBounds {
public:
    // The box around the leading x, y, z floats of every whole vertex
    // `stride` bytes apart, or null when no box is worth having: the bytes
    // changed since the last call (a buffer rewritten for every draw would pay
    // for a box it never uses again), the buffer is locked, or a position is
    // not finite.
    const PositionBox* of(const BufferStorage& storage, UINT stride);

private:
    uint64_t m_changes = 0;
    UINT m_stride = 0;
    bool m_seen = false;      // m_changes and m_stride hold the last call's
    bool m_measured = false;  // m_box (or its absence) belongs to them
    bool m_usable = false;
    PositionBox m_box{};
};

}  // namespace platform
