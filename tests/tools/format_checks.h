// Strict readers for the generated files, written apart from the
// generator: each checks its format's headers, sizes and counts and fails
// (with a reason) on anything out of place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace formats {

std::vector<uint8_t> read_file(const std::string& path);

struct Pixel {
    uint8_t r, g, b;
    bool black() const { return r == 0 && g == 0 && b == 0; }
};

struct Bitmap {
    int width = 0, height = 0;
    std::vector<Pixel> pixels;  // top row first
    Pixel at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A 24-bit BI_RGB bottom-up BMP whose sizes all agree. Empty error = ok.
std::string parse_bmp(const std::vector<uint8_t>& bytes, Bitmap& out);

struct Wave {
    int channels = 0, sample_rate = 0, bits = 0;
    std::vector<uint8_t> samples;
};

// RIFF WAVE with "fmt " (PCM) followed by "data", every chunk inside the
// file, the RIFF size matching the file.
std::string parse_wav(const std::vector<uint8_t>& bytes, Wave& out);

struct Avi {
    int width = 0, height = 0, frames = 0, streams = 0;
    double frames_per_second = 0;
    int bit_count = 0, compression = -1;
    int audio_format = 0, audio_channels = 0, audio_rate = 0, audio_bits = 0;
    std::vector<std::vector<uint8_t>> video_chunks;  // '00db' payloads in order
    std::vector<uint8_t> audio;                      // '01wb' payloads joined
    int index_entries = 0;
};

// RIFF 'AVI ' with hdrl (avih, a video then an audio strl), movi and an
// idx1 whose entries point at the movi chunks.
std::string parse_avi(const std::vector<uint8_t>& bytes, Avi& out);

struct Vec3 {
    double x, y, z;
};

struct XMesh {
    std::vector<Vec3> positions;
    std::vector<std::vector<uint32_t>> faces;
    std::vector<Vec3> normals;
    std::vector<std::vector<uint32_t>> face_normals;
    std::vector<std::pair<double, double>> uvs;
    int materials = 0;
    std::vector<uint32_t> face_materials;
    std::string texture_file;
};

// The text .x subset: header "xof 0303txt 0032" (or 0302), one Mesh with
// MeshNormals, MeshTextureCoords and MeshMaterialList, with every count,
// index and separator in place.
std::string parse_x(const std::string& text, XMesh& out);

}  // namespace formats
