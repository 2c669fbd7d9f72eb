// The intro's use of the renderer: the main thread draws the video texture
// every pass while the streaming thread writes it, and the picture reaches
// the screen the right way up.
#include "video_test_support.h"

#include "host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

using namespace videotest;

namespace {

struct ScreenVertex {
    float x, y, z, rhw;
    DWORD diffuse;
    float u, v;
};
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// The whole screen with texture coordinates 0..u across and v..0 down, as
// the intro's sprite shows the video (bottom-up frames lie upside down).
void drawVideo(IDirect3DDevice8* device, CTextureRenderer& video) {
    const float u = float(video.m_lVidWidth) / float(video.m_nTexWidth);
    const float v = float(video.m_lVidHeight) / float(video.m_nTexHeight);
    const ScreenVertex quad[4] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, v},
                                  {0, 600, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                                  {800, 0, 0.5f, 1, 0xFFFFFFFF, u, v},
                                  {800, 600, 0.5f, 1, 0xFFFFFFFF, u, 0}};
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof quad, 0, kScreenFvf, D3DPOOL_MANAGED, &buffer), D3D_OK);
    BYTE* data = nullptr;
    buffer->Lock(0, 0, &data, 0);
    std::memcpy(data, quad, sizeof quad);
    buffer->Unlock();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetTexture(0, video.m_pTexture);
    device->SetVertexShader(kScreenFvf);
    device->SetStreamSource(0, buffer, sizeof(ScreenVertex));
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    device->SetStreamSource(0, nullptr, 0);
    device->SetTexture(0, nullptr);
    device->EndScene();
    buffer->Release();
}

}  // namespace

TEST(VideoDrawing, TheMainThreadDrawsTheTextureWhileFramesArriveAndSeesThePictureUpright) {
    TestDevice device;
    avitest::AviSpec spec;
    spec.frames = 12;
    const std::string path = avitest::writeAvi("video_drawn.avi", spec);
    RecordingRenderer video;
    ASSERT_EQ(video.OpenFile(device.device(), path.c_str()), S_OK);

    // The intro's loop: poll for the end, draw, present; no pacing. It goes
    // on drawing (the rewound clip plays again) until a few passes are done.
    int passes = 0;
    bool finished = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((!finished || passes < 5) && std::chrono::steady_clock::now() < deadline) {
        finished = video.CheckFinished() || finished;
        drawVideo(device.device(), video);
        device.device()->Present(nullptr, nullptr, nullptr, nullptr);
        ++passes;
    }
    video.m_pMC->Stop();
    EXPECT_TRUE(finished);
    const std::vector<int> frames = video.framesSeen();
    ASSERT_GE(frames.size(), 12u);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(frames[size_t(i)], i);

    // The last frame drawn once more, then read back: the known pixel of
    // the picture (column 2, row 1 of 16 x 12, 50 x 50 screen pixels each)
    // shows in its colour at the top left, not mirrored to the bottom.
    drawVideo(device.device(), video);
    const uint32_t known = host::backBufferPixel(2 * 50 + 25, 1 * 50 + 25);
    EXPECT_EQ(known & 0xFFFFFF, 0x1E140Au) << std::hex << known;  // R 30, G 20, B 10
    const uint32_t mirrored = host::backBufferPixel(2 * 50 + 25, 10 * 50 + 25);
    EXPECT_NE(mirrored & 0xFFFFFF, 0x1E140Au);
}
