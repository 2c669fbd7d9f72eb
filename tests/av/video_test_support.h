// Shared pieces of the video tests: a headless device, a renderer that
// records what each frame left in the texture, and waiting for the clip.
#pragma once

#include "TextureRenderer.h"
#include "avi_fixture.h"
#include "headless_device.h"
#include "d3d8_api.h"

#include <mutex>
#include <vector>

namespace videotest {

// The headless 800x600 device every video test draws with.
using TestDevice = HeadlessDevice;

// Texel bytes (B, G, R, A) at column x, row y of level 0. Main thread use
// only while no frame is being written (the lock then fails).
struct Texel {
    uint8_t b, g, r, a;
};
bool readTexel(IDirect3DTexture8* texture, UINT x, UINT y, Texel* texel);

// Remembers, for every frame it rendered, the frame number that pixel
// (0, 0) of the picture carries and the texel the known pixel (2, 1) became.
class RecordingRenderer : public CTextureRenderer {
public:
    // Stops the graph before this class's part is gone: the streaming thread
    // calls into it until then.
    ~RecordingRenderer() override;
    HRESULT DoRenderSample(IMediaSample* pSample) override;

    std::vector<int> framesSeen();
    std::vector<Texel> knownTexels();

private:
    std::mutex m_mutex;
    std::vector<int> m_frames;
    std::vector<Texel> m_known;
};

// Polls CheckFinished, as the intro does, until it gives 1 (true) or
// `seconds` pass (false).
bool waitForEnd(CTextureRenderer& renderer, double seconds);

}  // namespace videotest
