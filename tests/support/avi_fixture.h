// Small AVI files for the video tests: uncompressed 24-bit video (rows
// bottom-up, or top-down on request) and optional 16-bit PCM sound, with an
// index, written the way common AVI writers lay them out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace avitest {

struct Bgr {
    uint8_t b, g, r;
};

struct AviSpec {
    int width = 16;
    int height = 12;
    int frames = 5;
    int fps = 25;
    bool topDown = false;   // negative biHeight, rows stored top-down
    bool withSound = true;  // a mono 16-bit PCM sine as the second stream
    bool soundFirst = false;  // the sound as stream 0 and the video as stream 1
    int soundRate = 22050;
    double soundSeconds = -1;  // < 0: as long as the video
    // Colour of pixel (x, y) of frame `frame`, y = 0 the picture's top row.
    std::function<Bgr(int frame, int x, int y)> pixel;
};

// The picture every frame shows unless a spec says otherwise: pixel (0, 0)
// carries the frame number in blue, pixel (2, 1) is (B, G, R) = (10, 20, 30),
// everything else a gradient.
Bgr defaultPixel(int frame, int x, int y);

std::vector<uint8_t> buildAvi(const AviSpec& spec);
// Writes the bytes to a scratch file named `name`; returns its path.
std::string writeFile(const std::string& name, const std::vector<uint8_t>& bytes);
std::string writeAvi(const std::string& name, const AviSpec& spec);

}  // namespace avitest
