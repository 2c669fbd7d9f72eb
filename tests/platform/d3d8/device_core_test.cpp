// The device's own rules: reference counts, state blocks, reset and loss.
#include "d3d_device.h"
#include "headless_device.h"
#include "host.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

TEST(DeviceCore, ReferenceCountsAreReal) {
    HeadlessDevice d;
    ASSERT_NE(d.device(), nullptr);
    EXPECT_EQ(d->AddRef(), 2u);
    EXPECT_EQ(d->Release(), 1u);
    IDirect3D8* d3d = nullptr;
    ASSERT_EQ(d->GetDirect3D(&d3d), D3D_OK);
    EXPECT_EQ(d3d->Release(), 2u);  // ours and the device's
    IUnknown* unknown = nullptr;
    EXPECT_EQ(d->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(d->QueryInterface(IID_IDirect3DTexture8, reinterpret_cast<void**>(&unknown)),
              E_NOINTERFACE);
    EXPECT_EQ(unknown, nullptr);
}

TEST(DeviceCore, StateBlockRecordsWithoutApplyingAndRestoresWhatWasCaptured) {
    HeadlessDevice d;
    d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    ASSERT_EQ(d->BeginStateBlock(), D3D_OK);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetVertexShader(0x144);
    DWORD block = 0;
    ASSERT_EQ(d->EndStateBlock(&block), D3D_OK);
    EXPECT_NE(block, 0u);

    DWORD value = 0;
    d->GetRenderState(D3DRS_ALPHATESTENABLE, &value);
    EXPECT_EQ(value, DWORD(FALSE)) << "recording must not apply";

    ASSERT_EQ(d->ApplyStateBlock(block), D3D_OK);
    d->GetRenderState(D3DRS_ALPHATESTENABLE, &value);
    EXPECT_EQ(value, DWORD(TRUE));
    d->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, DWORD(FALSE));

    // Capture takes the current values of exactly the states the block holds.
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);  // not in the block
    ASSERT_EQ(d->CaptureStateBlock(block), D3D_OK);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->ApplyStateBlock(block);
    d->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, DWORD(D3DZB_TRUE));
    d->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, DWORD(TRUE));

    EXPECT_EQ(d->DeleteStateBlock(block), D3D_OK);
    EXPECT_EQ(d->ApplyStateBlock(block), D3DERR_INVALIDCALL);
}

TEST(DeviceCore, ResetIsRefusedWhileADefaultPoolResourceLives) {
    HeadlessDevice d;
    auto* device = static_cast<platform::D3DDevice*>(d.device());
    device->defaultPoolResourceCreated();
    EXPECT_EQ(d->Reset(&d.params()), D3DERR_INVALIDCALL);
    device->defaultPoolResourceReleased();
    EXPECT_EQ(d->Reset(&d.params()), D3D_OK);
}

TEST(DeviceCore, LostDeviceStaysLostUntilReset) {
    HeadlessDevice d;
    host::deviceFaults().presentsUntilLost = 1;
    EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(d->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(d->Reset(&d.params()), D3D_OK);
    EXPECT_EQ(d->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST(DeviceCore, ScenesDoNotNest) {
    HeadlessDevice d;
    EXPECT_EQ(d->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->BeginScene(), D3D_OK);
    EXPECT_EQ(d->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->EndScene(), D3D_OK);
}

TEST(DeviceCore, ClearWritesColourAndCanBeReadBack) {
    HeadlessDevice d;
    ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x80FF4020, 1.0f, 0), D3D_OK);
    EXPECT_EQ(host::backBufferPixel(0, 0), 0x80FF4020u);
    D3DRECT rect{10, 20, 30, 40};
    d->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    EXPECT_EQ(host::backBufferPixel(10, 20), 0xFF00FF00u);
    EXPECT_EQ(host::backBufferPixel(29, 39), 0xFF00FF00u);
    EXPECT_EQ(host::backBufferPixel(30, 39), 0x80FF4020u);
    EXPECT_EQ(host::backBufferPixel(9, 20), 0x80FF4020u);
}

// Present fits the back buffer into the 800x600 window with its aspect kept,
// centred, on black bars where it does not fill the window; at 1:1 every
// pixel lands unchanged on its own window pixel.
TEST(DeviceCore, PresentFitsThePictureIntoTheWindowOnBlackBars) {
    HeadlessDevice d(800, 600);
    struct Case {
        UINT width, height;       // back buffer
        int left, top, shownWidth, shownHeight;  // where it shows in the window
    };
    const Case cases[] = {
        {800, 600, 0, 0, 800, 600},    // 1:1, filling the window
        {640, 480, 0, 0, 800, 600},    // scaled up, filling it
        {800, 500, 0, 50, 800, 500},   // 1:1, bars above and below
        {600, 600, 100, 0, 600, 600},  // 1:1, bars beside
        {640, 400, 0, 50, 800, 500},   // scaled up, bars above and below
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        D3DPRESENT_PARAMETERS params = d.params();
        params.BackBufferWidth = c.width;
        params.BackBufferHeight = c.height;
        ASSERT_EQ(d->Reset(&params), D3D_OK);
        d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF2060A0, 1.0f, 0);
        const D3DRECT dot{100, 100, 101, 101};
        d->Clear(1, &dot, D3DCLEAR_TARGET, 0xFFFFFF00, 1.0f, 0);
        ASSERT_EQ(d->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        int width = 0, height = 0;
        const std::vector<uint32_t> window = host::readPresentedWindow(width, height);
        ASSERT_EQ(width, 800);
        ASSERT_EQ(height, 600);
        auto at = [&](int x, int y) { return window[size_t(y) * width + x]; };
        const int right = c.left + c.shownWidth - 1, bottom = c.top + c.shownHeight - 1;
        for (const auto& corner : {std::make_pair(c.left, c.top), std::make_pair(right, c.top),
                                   std::make_pair(c.left, bottom), std::make_pair(right, bottom)})
            EXPECT_EQ(at(corner.first, corner.second), 0xFF2060A0u) << corner.first << "," << corner.second;
        if (c.top > 0) {
            EXPECT_EQ(at(400, c.top - 1), 0xFF000000u);
            EXPECT_EQ(at(400, bottom + 1), 0xFF000000u);
        }
        if (c.left > 0) {
            EXPECT_EQ(at(c.left - 1, 300), 0xFF000000u);
            EXPECT_EQ(at(right + 1, 300), 0xFF000000u);
        }
        if (c.shownWidth == int(c.width)) {
            EXPECT_EQ(at(c.left + 100, c.top + 100), 0xFFFFFF00u);
            EXPECT_EQ(at(c.left + 101, c.top + 100), 0xFF2060A0u);
            EXPECT_EQ(at(c.left + 100, c.top + 99), 0xFF2060A0u);
        }
    }
}

}  // namespace
