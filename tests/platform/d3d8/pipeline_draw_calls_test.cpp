// Draw calls that must fail cleanly, indexed drawing with a base vertex, and
// the device's state handling seen through what gets drawn.
#include "pipeline_fixture.h"

namespace {

using namespace pipeline_test;

class PipelineDrawCalls : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    }
};

TEST_F(PipelineDrawCalls, DrawsWithoutAFormatStreamOrEnoughDataFail) {
    IDirect3DVertexBuffer8* quad = makeVertexBuffer(d.device(), screenQuad(0, 0, 10, 10, 0xFFFF0000), 0x144);
    // No format.
    d->SetStreamSource(0, quad, sizeof(ScreenVertex));
    d->SetVertexShader(0);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
    // A format the fixed pipeline cannot have (a screen vertex with a normal).
    d->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_NORMAL);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
    d->SetVertexShader(0x144);
    // Too short a stride, more vertices than the buffer holds, an unknown type.
    d->SetStreamSource(0, quad, 16);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
    d->SetStreamSource(0, quad, sizeof(ScreenVertex));
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawPrimitive(D3DPRIMITIVETYPE(99), 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0xFFFFFFF0u, 2), D3DERR_INVALIDCALL);
    // No stream.
    d->SetStreamSource(0, nullptr, 0);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3DERR_INVALIDCALL);
    // Indexed without indices.
    d->SetStreamSource(0, quad, sizeof(ScreenVertex));
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(pixel(5, 5), 0xFF000000u) << "nothing was drawn";
    // The same buffer draws once everything is right.
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(pixel(5, 5), 0xFFFF0000u);
    d->SetStreamSource(0, nullptr, 0);
    quad->Release();
}

TEST_F(PipelineDrawCalls, IndexedDrawFetchesBasePlusIndexAndChecksEveryIndex) {
    // Two quads in one buffer; the indices address the second through the base.
    std::vector<ScreenVertex> vertices = screenQuad(0, 0, 10, 10, 0xFFFF0000);
    const std::vector<ScreenVertex> second = screenQuad(20, 0, 30, 10, 0xFF00FF00);
    vertices.insert(vertices.end(), second.begin(), second.end());
    IDirect3DVertexBuffer8* buffer = makeVertexBuffer(d.device(), vertices, 0x144);
    IDirect3DIndexBuffer8* indices = makeIndexBuffer(d.device(), {0, 1, 2, 2, 1, 3, 0, 1, 9});
    d->SetVertexShader(0x144);
    d->SetStreamSource(0, buffer, sizeof(ScreenVertex));
    d->SetIndices(indices, 4);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(pixel(5, 5), 0xFF000000u);
    EXPECT_EQ(pixel(25, 5), 0xFF00FF00u);
    // An index past the vertices, and a range past the indices.
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 6, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 3), D3DERR_INVALIDCALL);
    d->SetIndices(indices, 0);
    // As a strip the first four indices give one real triangle (the top-left
    // half) and one without area.
    EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(pixel(2, 2), 0xFFFF0000u);
    EXPECT_EQ(pixel(8, 8), 0xFF000000u);
    d->SetIndices(nullptr, 0);
    d->SetStreamSource(0, nullptr, 0);
    indices->Release();
    buffer->Release();
}

// The font's pattern: record its drawing states, capture the caller's
// around a draw, and restore them; what is drawn afterwards shows it.
TEST_F(PipelineDrawCalls, StateBlocksRestoreWhatTheCallerHad) {
    IDirect3DTexture8* red = makeTexture(d.device(), 1, 1, D3DFMT_A8R8G8B8, {0xFFFF0000});
    d->SetTexture(0, red);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    d->BeginStateBlock();
    d->SetTexture(0, nullptr);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    DWORD drawing = 0;
    ASSERT_EQ(d->EndStateBlock(&drawing), D3D_OK);
    d->BeginStateBlock();
    d->SetTexture(0, nullptr);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    DWORD saved = 0;
    ASSERT_EQ(d->EndStateBlock(&saved), D3D_OK);

    d->CaptureStateBlock(saved);
    d->ApplyStateBlock(drawing);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    drawScreenQuad(screenQuad(0, 0, 10, 10, 0x80FFFFFF));  // white at half alpha over black
    EXPECT_NEAR(channel(pixel(5, 5), 8), 128, 1);
    d->ApplyStateBlock(saved);
    drawScreenQuad(screenQuad(20, 0, 30, 10, 0x80FFFFFF));  // the caller's red texture, unblended
    EXPECT_EQ(pixel(25, 5) & 0x00FFFFFFu, 0x00FF0000u);

    IDirect3DBaseTexture8* bound = nullptr;
    d->GetTexture(0, &bound);
    EXPECT_EQ(bound, red);
    bound->Release();
    d->DeleteStateBlock(drawing);
    d->DeleteStateBlock(saved);
    d->SetTexture(0, nullptr);
    EXPECT_EQ(red->Release(), 0u) << "the blocks hold no reference once deleted";
}

TEST_F(PipelineDrawCalls, ResetWaitsForDefaultPoolBuffersWhileManagedOnesSurvive) {
    d->EndScene();
    IDirect3DTexture8* managed = makeTexture(d.device(), 1, 1, D3DFMT_A8R8G8B8, {0xFF00FF00});
    IDirect3DVertexBuffer8* dynamic = nullptr;
    ASSERT_EQ(d->CreateVertexBuffer(16800, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0x144,
                                    D3DPOOL_DEFAULT, &dynamic),
              D3D_OK);
    IDirect3DTexture8* defaultTexture = nullptr;
    ASSERT_EQ(d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &defaultTexture), D3D_OK);
    EXPECT_EQ(host::defaultPoolResources(), 2);
    EXPECT_EQ(d->Reset(&d.params()), D3DERR_INVALIDCALL);
    dynamic->Release();
    EXPECT_EQ(d->Reset(&d.params()), D3DERR_INVALIDCALL);
    defaultTexture->Release();
    EXPECT_EQ(host::defaultPoolResources(), 0);
    ASSERT_EQ(d->Reset(&d.params()), D3D_OK);

    // The managed texture still draws after the reset.
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->BeginScene();
    d->SetTexture(0, managed);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    drawScreenQuad(screenQuad(0, 0, 10, 10, 0xFFFFFFFF));
    EXPECT_EQ(pixel(5, 5), 0xFF00FF00u);
    d->SetTexture(0, nullptr);
    managed->Release();
}

}  // namespace
