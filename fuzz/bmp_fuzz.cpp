// Fuzzes the bitmap reader: any bytes must give an image or a reason, with
// no read outside the input and no giant allocation.
#include "fuzz_target.h"

#include "bmp_reader.h"
#include "bmp_writer.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const platform::DecodeResult result = platform::decodeBmp(data, size);
    if (result.ok && result.image.texels.size() != size_t(result.image.width) * size_t(result.image.height))
        std::abort();  // a decoded image must be as large as it says
    return 0;
}

std::vector<std::string> fuzzSeeds() {
    std::vector<uint32_t> texels;
    for (uint32_t i = 0; i < 5 * 3; ++i) texels.push_back((i * 0x1F3D5B79u) | (i % 2 ? 0x80000000u : 0));
    std::vector<std::string> seeds;
    for (int bits : {8, 24, 32})
        for (bool topDown : {false, true}) seeds.push_back(platform::encodeBmp(5, 3, texels, {bits, topDown}));
    // Near misses: cut short, a wrong depth, an offset past the end.
    std::string cut = seeds[2];
    cut.resize(cut.size() - 7);
    seeds.push_back(cut);
    std::string depth = seeds[2];
    depth[28] = 16;
    seeds.push_back(depth);
    std::string offset = seeds[0];
    offset[10] = char(0xF0);
    seeds.push_back(offset);
    seeds.push_back("BM");
    return seeds;
}
