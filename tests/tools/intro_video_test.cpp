// The intro clip: video as stream 0 in uncompressed bottom-up 24-bit RGB,
// 4:3, a few seconds of changing pictures; PCM sound as stream 1, no
// longer than the pictures.
#include <gtest/gtest.h>

#include <cmath>

#include "format_checks.h"
#include "test_env.h"

namespace {

formats::Avi load() {
    formats::Avi avi;
    EXPECT_EQ(formats::parse_avi(formats::read_file(testenv::runDir() + "/video/intro.avi"), avi), "");
    return avi;
}

double mean_brightness(const std::vector<uint8_t>& frame) {
    double s = 0;
    for (uint8_t b : frame) s += b;
    return s / frame.size();
}

TEST(IntroVideo, StreamZeroIsUncompressedBottomUpRgbAtFourToThree) {
    formats::Avi avi = load();
    EXPECT_EQ(avi.streams, 2);
    EXPECT_EQ(avi.bit_count, 24);
    EXPECT_EQ(avi.compression, 0);
    EXPECT_EQ(avi.width * 3, avi.height * 4);
    // The texture is one texel larger each way; 320 x 240 fits 512 x 256
    // even where sizes are rounded up to powers of two.
    EXPECT_LE(avi.width + 1, 512);
    EXPECT_LE(avi.height + 1, 256);
    const size_t pitch = (static_cast<size_t>(avi.width) * 3 + 3) & ~size_t{3};
    ASSERT_EQ(avi.video_chunks.size(), static_cast<size_t>(avi.frames));
    for (const auto& chunk : avi.video_chunks) ASSERT_EQ(chunk.size(), pitch * avi.height);
    EXPECT_EQ(avi.index_entries, static_cast<int>(avi.video_chunks.size()) + static_cast<int>(avi.video_chunks.size()));
}

TEST(IntroVideo, PlaysForAFewSecondsAndMoves) {
    formats::Avi avi = load();
    const double duration = avi.frames / avi.frames_per_second;
    EXPECT_GE(duration, 2.0);
    EXPECT_LE(duration, 8.0);
    const auto& frames = avi.video_chunks;
    const auto& a = frames[frames.size() / 3];
    const auto& b = frames[frames.size() / 2];
    size_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i) differing += a[i] != b[i];
    EXPECT_GT(differing, a.size() / 20) << "the picture hardly changes";
    EXPECT_GT(mean_brightness(frames[frames.size() / 2]), 10.0);
    EXPECT_LT(mean_brightness(frames.back()), mean_brightness(frames[frames.size() / 2])) << "fades out at the end";
}

TEST(IntroVideo, StreamOneIsPcmSoundNoLongerThanThePictures) {
    formats::Avi avi = load();
    EXPECT_EQ(avi.audio_format, 1);
    EXPECT_EQ(avi.audio_channels, 1);
    EXPECT_EQ(avi.audio_bits, 8);
    ASSERT_GT(avi.audio_rate, 0);
    const double sound = static_cast<double>(avi.audio.size()) / avi.audio_rate;
    EXPECT_GT(sound, 1.0);
    EXPECT_LE(sound, avi.frames / avi.frames_per_second + 1e-9);
}

}  // namespace
