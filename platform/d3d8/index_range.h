// The lowest and highest index a run of an index buffer holds, kept from draw
// to draw while the buffer is unchanged, so a draw that is dropped whole
// still checks its indices against the stream without reading them again.
#pragma once

#include "d3d8_api.h"

#include <cstdint>

namespace platform {

class BufferStorage;

struct IndexRange {
    uint32_t lowest = 0;
    uint32_t highest = 0;
};

class IndexRangeCache {
public:
    // The range of `count` indices from `start`, if it was remembered since
    // the buffer last changed.
    bool find(const BufferStorage& storage, UINT start, UINT count, IndexRange& range) const;
    void remember(const BufferStorage& storage, UINT start, UINT count, const IndexRange& range);

private:
    struct Entry {
        bool used = false;
        uint64_t changes = 0;
        UINT start = 0, count = 0;
        IndexRange range;
    };
    // A mesh draws a few runs of its buffer at most; the game draws one.
    static constexpr int kEntries = 4;
    Entry m_entries[kEntries];
    int m_next = 0;
};

}  // namespace platform
