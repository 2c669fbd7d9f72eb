#include "video_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace videotest {

bool readTexel(IDirect3DTexture8* texture, UINT x, UINT y, Texel* texel) {
    D3DLOCKED_RECT locked{};
    if (!texture || FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return false;
    const uint8_t* p = static_cast<const uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch) + x * 4;
    *texel = Texel{p[0], p[1], p[2], p[3]};
    texture->UnlockRect(0);
    return true;
}

RecordingRenderer::~RecordingRenderer() {
    if (m_pMC) m_pMC->Stop();
}

HRESULT RecordingRenderer::DoRenderSample(IMediaSample* pSample) {
    const HRESULT hr = CTextureRenderer::DoRenderSample(pSample);
    if (FAILED(hr)) return hr;
    // Bottom-up frames land upside down: picture row y is texture row h-1-y.
    Texel first{}, known{};
    const UINT bottom = UINT(m_lVidHeight - 1);
    if (readTexel(m_pTexture, 0, bottom, &first) && readTexel(m_pTexture, 2, bottom - 1, &known)) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.push_back(first.b);
        m_known.push_back(known);
    }
    return hr;
}

std::vector<int> RecordingRenderer::framesSeen() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames;
}

std::vector<Texel> RecordingRenderer::knownTexels() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_known;
}

bool waitForEnd(CTextureRenderer& renderer, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (renderer.CheckFinished()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

}  // namespace videotest
