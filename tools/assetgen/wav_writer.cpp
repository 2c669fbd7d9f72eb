#include "wav_writer.h"

#include <algorithm>
#include <cmath>

#include "byte_writer.h"
#include "prng.h"

namespace assetgen {

std::vector<uint8_t> encode_wav_u8(const std::vector<uint8_t>& samples, int sample_rate) {
    ByteWriter w;
    size_t riff = w.begin_chunk("RIFF");
    w.tag("WAVE");
    size_t fmt = w.begin_chunk("fmt ");
    w.u16(1);  // PCM
    w.u16(1);  // mono
    w.u32(static_cast<uint32_t>(sample_rate));
    w.u32(static_cast<uint32_t>(sample_rate));  // bytes per second
    w.u16(1);                                   // block align
    w.u16(8);                                   // bits per sample
    w.end_chunk(fmt);
    size_t data = w.begin_chunk("data");
    w.bytes(samples);
    w.end_chunk(data);
    w.end_chunk(riff);
    return w.take();
}

std::vector<uint8_t> to_u8(const std::vector<float>& samples, uint64_t dither_seed) {
    Prng rng(dither_seed);
    std::vector<uint8_t> out(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        float dither = (rng.uniform() - rng.uniform()) * 0.5f;  // +-0.5 LSB triangular
        float v = std::clamp(samples[i], -1.0f, 1.0f) * 127.0f + 128.0f + dither;
        out[i] = static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(v)), 0, 255));
    }
    return out;
}

}  // namespace assetgen
