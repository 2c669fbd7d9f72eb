// The device's own rules: reference counts, state blocks, reset and loss.
#include "d3d_device.h"
#include "headless_device.h"
#include "host.h"

#include <gtest/gtest.h>

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

}  // namespace
