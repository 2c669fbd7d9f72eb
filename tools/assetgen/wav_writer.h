// RIFF WAVE files of 8-bit unsigned mono PCM: "fmt " (16 bytes) then
// "data", with the pad byte after an odd-sized data chunk.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

constexpr int kSampleRate = 11025;

std::vector<uint8_t> encode_wav_u8(const std::vector<uint8_t>& samples, int sample_rate = kSampleRate);

// Float samples in [-1, 1] to unsigned 8-bit (silence 0x80), with a
// fixed-seed triangular dither so quiet passages do not buzz.
std::vector<uint8_t> to_u8(const std::vector<float>& samples, uint64_t dither_seed);

}  // namespace assetgen
