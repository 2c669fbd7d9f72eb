// What the drawing keeps from draw to draw about a buffer: the box round a
// vertex stream and the range of a run of indices, each good only while the
// buffer's bytes stay as they were.
#include "index_range.h"
#include "position_bounds.h"
#include "vertex_buffer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

using platform::BufferStorage;
using platform::IndexRange;
using platform::IndexRangeCache;
using platform::PositionBounds;
using platform::PositionBox;

// Vertices of 16 bytes: a position and one more float.
void write(BufferStorage& storage, const std::vector<std::array<float, 4>>& vertices) {
    BYTE* data = nullptr;
    ASSERT_EQ(storage.lock(0, 0, &data), D3D_OK);
    std::memcpy(data, vertices.data(), vertices.size() * 16);
    ASSERT_EQ(storage.unlock(), D3D_OK);
}

void expectBox(const PositionBox* box, const std::array<float, 6>& want, const char* what) {
    ASSERT_NE(box, nullptr) << what;
    EXPECT_EQ(box->low[0], want[0]) << what;
    EXPECT_EQ(box->low[1], want[1]) << what;
    EXPECT_EQ(box->low[2], want[2]) << what;
    EXPECT_EQ(box->high[0], want[3]) << what;
    EXPECT_EQ(box->high[1], want[4]) << what;
    EXPECT_EQ(box->high[2], want[5]) << what;
}

TEST(DrawCaches, ABoxIsKeptOnlyWhileTheBytesAndTheStrideStayTheSame) {
    BufferStorage storage(3 * 16);
    write(storage, {{{1, -2, 3, 99}}, {{-4, 5, 6, 99}}, {{7, 8, -9, 99}}});
    PositionBounds bounds;
    // A buffer is measured only once a second draw shows its bytes stayed put.
    EXPECT_EQ(bounds.of(storage, 16), nullptr) << "first draw";
    expectBox(bounds.of(storage, 16), {-4, -2, -9, 7, 8, 6}, "second draw");
    expectBox(bounds.of(storage, 16), {-4, -2, -9, 7, 8, 6}, "third draw");

    write(storage, {{{100, 0, 0, 99}}, {{101, 1, 1, 99}}, {{102, 2, 2, 99}}});
    EXPECT_EQ(bounds.of(storage, 16), nullptr) << "rewritten";
    expectBox(bounds.of(storage, 16), {100, 0, 0, 102, 2, 2}, "rewritten, drawn again");

    // Read 32 bytes apart the stream holds the first and third vertices.
    EXPECT_EQ(bounds.of(storage, 32), nullptr) << "new stride";
    expectBox(bounds.of(storage, 32), {100, 0, 0, 102, 2, 2}, "new stride, drawn again");
    EXPECT_EQ(bounds.of(storage, 12), nullptr) << "another stride";
    // (100,0,0) (99,101,1) (1,99,102) (2,2,99)
    expectBox(bounds.of(storage, 12), {1, 0, 0, 100, 101, 102}, "12 bytes apart, the fourth floats join in");

    // While locked the bytes may be changing under the draw.
    BYTE* data = nullptr;
    ASSERT_EQ(storage.lock(0, 0, &data), D3D_OK);
    EXPECT_EQ(bounds.of(storage, 12), nullptr) << "locked";
    EXPECT_EQ(bounds.of(storage, 12), nullptr) << "still locked";
    ASSERT_EQ(storage.unlock(), D3D_OK);

    // A position that is not finite gives no box at all.
    write(storage, {{{0, 0, 0, 0}}, {{NAN, 0, 0, 0}}, {{1, 1, 1, 0}}});
    bounds.of(storage, 16);
    EXPECT_EQ(bounds.of(storage, 16), nullptr) << "not finite";
    write(storage, {{{0, 0, 0, 0}}, {{0, -INFINITY, 0, 0}}, {{1, 1, 1, 0}}});
    bounds.of(storage, 16);
    EXPECT_EQ(bounds.of(storage, 16), nullptr) << "infinite";
}

TEST(DrawCaches, AnIndexRangeIsFoundOnlyForItsRunWhileTheBufferIsUnchanged) {
    BufferStorage storage(64);
    IndexRangeCache ranges;
    IndexRange range;
    EXPECT_FALSE(ranges.find(storage, 0, 6, range)) << "nothing remembered";
    ranges.remember(storage, 0, 6, IndexRange{2, 9});
    ranges.remember(storage, 6, 3, IndexRange{0, 4});
    ASSERT_TRUE(ranges.find(storage, 0, 6, range));
    EXPECT_EQ(range.lowest, 2u);
    EXPECT_EQ(range.highest, 9u);
    ASSERT_TRUE(ranges.find(storage, 6, 3, range));
    EXPECT_EQ(range.highest, 4u);
    EXPECT_FALSE(ranges.find(storage, 0, 3, range)) << "another count";
    EXPECT_FALSE(ranges.find(storage, 3, 6, range)) << "another start";

    BYTE* data = nullptr;
    ASSERT_EQ(storage.lock(0, 0, &data), D3D_OK);
    EXPECT_FALSE(ranges.find(storage, 0, 6, range)) << "locked";
    ranges.remember(storage, 0, 6, IndexRange{1, 1});
    ASSERT_EQ(storage.unlock(), D3D_OK);
    EXPECT_FALSE(ranges.find(storage, 0, 6, range)) << "rewritten";
    EXPECT_FALSE(ranges.find(storage, 6, 3, range)) << "rewritten";

    // Only the last few runs are kept; the oldest gives way.
    for (UINT start = 0; start < 5; ++start) ranges.remember(storage, start, 3, IndexRange{start, start + 2});
    EXPECT_FALSE(ranges.find(storage, 0, 3, range)) << "pushed out";
    for (UINT start = 1; start < 5; ++start) {
        ASSERT_TRUE(ranges.find(storage, start, 3, range)) << start;
        EXPECT_EQ(range.lowest, start);
    }
}

}  // namespace
