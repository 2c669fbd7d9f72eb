// Fuzzes AVI files the way the game opens its intro: by file name through
// the texture renderer's filter graph (file source, AVI splitter, video
// decoder, the sound's renderer when there is a sound stream), playing a few
// frames into the texture. Each input plays for at most a fifth of a second.
#include "fuzz_support.h"
#include "fuzz_target.h"

#include "TextureRenderer.h"
#include "assetgen/avi_writer.h"
#include "dshow_graph.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// Counts the frames it was handed; stops the graph before its own part is
// gone, since the streaming thread calls into it until then.
class CountingRenderer : public CTextureRenderer {
public:
    ~CountingRenderer() override {
        if (m_pMC) m_pMC->Stop();
    }
    HRESULT DoRenderSample(IMediaSample* pSample) override {
        const HRESULT hr = CTextureRenderer::DoRenderSample(pSample);
        ++m_nFrames;
        return hr;
    }
    std::atomic<int> m_nFrames{0};
};

void play(const std::string& path) {
    CountingRenderer renderer;
    if (renderer.OpenFile(fuzzsupport::device(), path.c_str()) != S_OK) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (renderer.m_nFrames < 3 && !renderer.CheckFinished() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (renderer.m_pMC->Stop() != S_OK) std::abort();
    // A texture, when there is one, holds the whole picture.
    if (renderer.m_pTexture && (renderer.m_nTexWidth < UINT(renderer.m_lVidWidth) ||
                                renderer.m_nTexHeight < UINT(renderer.m_lVidHeight)))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!fuzzsupport::device()) std::abort();
    play(fuzzsupport::scratchFile(data, size, ".avi"));
    // Stopped and gone: no streaming thread may outlive its graph.
    if (platform::dshowThreadsAlive() != 0) std::abort();
    return 0;
}

namespace {

// A short clip in the intro's own layout: 24-bit frames and 8-bit sound,
// interleaved, with an index. A high frame rate keeps each run short.
std::string clip(int width, int height, int frames, int fps, bool sound) {
    assetgen::AviClip avi;
    avi.width = width;
    avi.height = height;
    avi.frames_per_second = fps;
    for (int f = 0; f < frames; ++f) {
        assetgen::Image image(width, height, assetgen::Rgb{uint8_t(40 * f), 90, 200});
        image.fill_rect(0, 0, width / 2, height / 2, assetgen::Rgb{255, uint8_t(f), 0});
        avi.frames.push_back(image);
    }
    if (sound)
        for (int i = 0; i < avi.sample_rate * frames / fps; ++i) avi.sound.push_back(uint8_t(128 + (i % 32) - 16));
    return fuzzsupport::text(assetgen::encode_avi(avi));
}

}  // namespace

std::vector<std::string> fuzzSeeds() {
    using fuzzsupport::cut;
    using fuzzsupport::poke;
    const std::string withSound = clip(16, 12, 4, 60, true);
    const std::string silent = clip(7, 5, 3, 100, false);
    return {
        withSound,
        silent,
        clip(32, 24, 2, 30, true),
        // Near misses: cut inside the frames, before the index, inside the
        // headers; a stream header's size and a frame size changed.
        cut(withSound, withSound.size() / 2),
        cut(silent, silent.size() - 24),
        cut(withSound, 200),
        poke(withSound, 0x40, 0xFF),
        poke(silent, 0xB0, 0x7F),
    };
}
