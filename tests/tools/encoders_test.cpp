// The generator's file encoders round-trip through the independent
// readers, and the readers refuse damaged files (so the checks on the
// generated files mean something).
#include <gtest/gtest.h>

#include <functional>

#include "assetgen/avi_writer.h"
#include "assetgen/bmp_writer.h"
#include "format_checks.h"
#include "assetgen/mesh.h"
#include "assetgen/wav_writer.h"

namespace {

assetgen::Image corner_picture() {
    assetgen::Image img(5, 3);  // odd width: rows need padding
    img.set(0, 0, {255, 0, 0});
    img.set(4, 2, {0, 0, 255});
    return img;
}

void put_u32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(Encoders, BmpKeepsTheTopLeftPixelAtTheTopLeft) {
    formats::Bitmap bmp;
    ASSERT_EQ(formats::parse_bmp(assetgen::encode_bmp24(corner_picture()), bmp), "");
    EXPECT_EQ(bmp.width, 5);
    EXPECT_EQ(bmp.height, 3);
    EXPECT_EQ(bmp.at(0, 0).r, 255);
    EXPECT_EQ(bmp.at(4, 2).b, 255);
    EXPECT_TRUE(bmp.at(4, 0).black());
}

TEST(Encoders, BmpReaderRefusesDamagedFiles) {
    const auto good = assetgen::encode_bmp24(corner_picture());
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"truncated", [](auto& b) { b.pop_back(); }},
        {"32 bits", [](auto& b) { b[28] = 32; }},
        {"top-down", [](auto& b) { put_u32(b, 22, static_cast<uint32_t>(-3)); }},
        {"wrong magic", [](auto& b) { b[0] = 'X'; }},
        {"compressed", [](auto& b) { b[30] = 1; }},
    };
    for (const Case& c : cases) {
        auto bytes = good;
        c.damage(bytes);
        formats::Bitmap bmp;
        EXPECT_NE(formats::parse_bmp(bytes, bmp), "") << c.what;
    }
}

TEST(Encoders, WavRoundTripsAndOddDataIsPadded) {
    const std::vector<uint8_t> samples = {128, 200, 50, 128, 129};
    const auto bytes = assetgen::encode_wav_u8(samples);
    EXPECT_EQ(bytes.size(), 44u + 5 + 1);
    formats::Wave w;
    ASSERT_EQ(formats::parse_wav(bytes, w), "");
    EXPECT_EQ(w.samples, samples);
    auto bad = bytes;
    bad[20] = 2;  // not PCM
    EXPECT_NE(formats::parse_wav(bad, w), "");
    bad = bytes;
    put_u32(bad, 4, 1000);  // RIFF size beyond the file
    EXPECT_NE(formats::parse_wav(bad, w), "");
}

TEST(Encoders, EightBitConversionCentresSilenceAndClips) {
    const auto u8 = assetgen::to_u8({0.0f, 1.0f, -1.0f, 3.0f, -3.0f}, 1);
    EXPECT_NEAR(u8[0], 128, 1);
    EXPECT_EQ(u8[1], 255);
    EXPECT_EQ(u8[2], 1);
    EXPECT_EQ(u8[3], 255);
    EXPECT_EQ(u8[4], 1);
}

TEST(Encoders, AviIndexPointsAtEveryChunk) {
    assetgen::AviClip clip;
    clip.width = 5;
    clip.height = 3;
    clip.frames_per_second = 10;
    clip.frames = {corner_picture(), corner_picture(), corner_picture()};
    clip.sample_rate = 11025;
    clip.sound.assign(2000, 128);  // less than three frames' worth
    const auto bytes = assetgen::encode_avi(clip);
    formats::Avi avi;
    ASSERT_EQ(formats::parse_avi(bytes, avi), "");
    EXPECT_EQ(avi.frames, 3);
    EXPECT_EQ(avi.video_chunks.size(), 3u);
    EXPECT_EQ(avi.video_chunks[0].size(), 16u * 3);  // rows padded to 16 bytes
    EXPECT_EQ(avi.audio.size(), 2000u);
    // The first frame's bottom row comes first: the blue pixel at (4, 2).
    EXPECT_EQ(avi.video_chunks[0][12], 255);
    auto bad = bytes;
    // Move the first index entry's offset by two bytes.
    const size_t idx = std::string(bytes.begin(), bytes.end()).rfind("idx1");
    put_u32(bad, idx + 8 + 8, bad[idx + 16] + 2u);
    EXPECT_NE(formats::parse_avi(bad, avi), "");
}

TEST(Encoders, XReaderRefusesBrokenCountsAndIndices) {
    assetgen::MeshBuilder b;
    b.add_flat({{0, 0, 0}, {0, 0}, {}}, {{1, 0, 0}, {1, 0}, {}}, {{0, 1, 0}, {0, 1}, {}}, {0, 0, -1});
    const std::string good = assetgen::write_x_file(b.mesh(), "T", "t.bmp");
    formats::XMesh m;
    ASSERT_EQ(formats::parse_x(good, m), "");
    EXPECT_EQ(m.faces.size(), 1u);
    EXPECT_EQ(m.texture_file, "t.bmp");
    // Clockwise seen from the side the outward hint names (-z): the face
    // normal points along -z.
    EXPECT_LT(m.normals[0].z, -0.99);
    const std::pair<std::string, std::string> edits[] = {
        {" 3;0,1,2;;\n\n MeshNormals", " 3;0,1,3;;\n\n MeshNormals"},  // index out of range
        {"xof 0303txt 0032", "xof 0303bin 0032"},
        {"  1;\n  1;\n  0;;", "  1;\n  2;\n  0;;"},  // more material indices than written
    };
    for (const auto& [from, to] : edits) {
        std::string text = good;
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        formats::XMesh broken;
        EXPECT_NE(formats::parse_x(text, broken), "") << to;
    }
}

}  // namespace
