// An AVI file with an uncompressed 24-bit bottom-up video stream (stream
// 0, '00db' chunks) and an 8-bit mono PCM sound stream (stream 1, '01wb'
// chunks), interleaved frame by frame, with an idx1 index.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

namespace assetgen {

struct AviClip {
    int width = 0, height = 0;
    int frames_per_second = 15;
    std::vector<Image> frames;   // all width x height
    std::vector<uint8_t> sound;  // unsigned 8-bit mono
    int sample_rate = 11025;
};

std::vector<uint8_t> encode_avi(const AviClip& clip);

}  // namespace assetgen
