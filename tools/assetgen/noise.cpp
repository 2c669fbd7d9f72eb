#include "noise.h"

#include <cmath>

namespace assetgen {
namespace {

uint32_t hash3(int32_t x, int32_t y, int32_t z, uint32_t seed) {
    uint32_t h = seed * 0x27D4EB2Du;
    h ^= static_cast<uint32_t>(x) * 0x8DA6B343u;
    h ^= static_cast<uint32_t>(y) * 0xD8163841u;
    h ^= static_cast<uint32_t>(z) * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

float lattice(int32_t x, int32_t y, int32_t z, uint32_t seed) {
    return static_cast<float>(hash3(x, y, z, seed) >> 8) * (2.0f / 16777215.0f) - 1.0f;
}

float smooth(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

float lerp(float a, float b, float t) { return a + (b - a) * t; }

int wrap(int v, int period) {
    int m = v % period;
    return m < 0 ? m + period : m;
}

}  // namespace

float value_noise3(float x, float y, float z, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy), iz = static_cast<int32_t>(fz);
    float tx = smooth(x - fx), ty = smooth(y - fy), tz = smooth(z - fz);
    float c[2][2];
    for (int dz = 0; dz < 2; ++dz)
        for (int dy = 0; dy < 2; ++dy)
            c[dz][dy] = lerp(lattice(ix, iy + dy, iz + dz, seed), lattice(ix + 1, iy + dy, iz + dz, seed), tx);
    return lerp(lerp(c[0][0], c[0][1], ty), lerp(c[1][0], c[1][1], ty), tz);
}

float fbm3(float x, float y, float z, int octaves, uint32_t seed) {
    float sum = 0, amplitude = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * value_noise3(x, y, z, seed + 101u * static_cast<uint32_t>(i));
        norm += amplitude;
        amplitude *= 0.5f;
        x = x * 2.03f + 17.1f;
        y = y * 2.03f - 9.3f;
        z = z * 2.03f + 5.7f;
    }
    return sum / norm;
}

float tiling_noise2(float x, float y, int period, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = smooth(x - fx), ty = smooth(y - fy);
    auto at = [&](int px, int py) { return lattice(wrap(px, period), wrap(py, period), 0, seed); };
    return lerp(lerp(at(ix, iy), at(ix + 1, iy), tx), lerp(at(ix, iy + 1), at(ix + 1, iy + 1), tx), ty);
}

float tiling_fbm2(float x, float y, int period, int octaves, uint32_t seed) {
    float sum = 0, amplitude = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * tiling_noise2(x, y, period, seed + 57u * static_cast<uint32_t>(i));
        norm += amplitude;
        amplitude *= 0.5f;
        x *= 2;
        y *= 2;
        period *= 2;
    }
    return sum / norm;
}

}  // namespace assetgen
