#include "index_range.h"

#include "vertex_buffer.h"

namespace platform {

bool IndexRangeCache::find(const BufferStorage& storage, UINT start, UINT count, IndexRange& range) const {
    if (storage.locked()) return false;
    for (const Entry& entry : m_entries) {
        if (entry.used && entry.changes == storage.changes() && entry.start == start && entry.count == count) {
            range = entry.range;
            return true;
        }
    }
    return false;
}

void IndexRangeCache::remember(const BufferStorage& storage, UINT start, UINT count, const IndexRange& range) {
    if (storage.locked()) return;
    Entry& entry = m_entries[m_next];
    m_next = (m_next + 1) % kEntries;
    entry.used = true;
    entry.changes = storage.changes();
    entry.start = start;
    entry.count = count;
    entry.range = range;
}

}  // namespace platform
