// The texture renderer on its own: the media types it takes, the texture it
// makes and the copy of one frame into it.
#include "video_test_support.h"

#include "dshow_graph.h"
#include "texture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace videotest;

namespace {

// A renderer as it stands in static storage: the reference OpenFile would
// take keeps it from being deleted through its count.
struct HeldRenderer : CTextureRenderer {
    HeldRenderer() { static_cast<IBaseFilter*>(this)->AddRef(); }
};

CMediaType videoType(const GUID& subtype, LONG width, LONG height) {
    CMediaType type;
    type.SetType(&MEDIATYPE_Video);
    type.SetSubtype(&subtype);
    type.SetFormatType(&FORMAT_VideoInfo);
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    return type;
}

// One 24-bit frame, rows at the padded pitch, sample row r holding
// (B, G, R) = (r, c, 7) at column c, except (10, 20, 30) at column 2, row 1.
CMediaSample* frameSample(LONG width, LONG height, LONG cutShort = 0) {
    const LONG pitch = (width * 3 + 3) & ~3;
    CMediaSample* sample = CMediaSample::Create(pitch * height);
    BYTE* bits = nullptr;
    sample->GetPointer(&bits);
    for (LONG r = 0; r < height; ++r)
        for (LONG c = 0; c < width; ++c) {
            BYTE* p = bits + r * pitch + c * 3;
            p[0] = BYTE(r);
            p[1] = BYTE(c);
            p[2] = 7;
            if (r == 1 && c == 2) p[0] = 10, p[1] = 20, p[2] = 30;
        }
    sample->SetActualDataLength(pitch * height - cutShort);
    return sample;
}

UINT nextPowerOfTwo(UINT n) {
    UINT p = 1;
    while (p < n) p *= 2;
    return p;
}

// A device that makes its textures its own way: rounded up to powers of two,
// capped at a largest side, in another format, or not at all. Only texture
// creation is offered; it is all the renderer asks of a device.
class TextureMakingDevice final : public IDirect3DDevice8 {
public:
    enum Kind { PowerOfTwo, SmallestSide8, OtherFormat, Refuses };
    TextureMakingDevice(IDirect3DDevice8* real, Kind kind) : m_real(real), m_kind(kind) {}

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture8** texture) override {
        switch (m_kind) {
        case PowerOfTwo: width = nextPowerOfTwo(width), height = nextPowerOfTwo(height); break;
        case SmallestSide8: width = std::min(width, 8u), height = std::min(height, 8u); break;
        case OtherFormat: format = D3DFMT_X8R8G8B8; break;
        case Refuses: return D3DERR_INVALIDCALL;
        }
        return m_real->CreateTexture(width, height, levels, usage, format, pool, texture);
    }

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
#define NOT_OFFERED(signature) \
    HRESULT signature override { return E_NOTIMPL; }
    NOT_OFFERED(TestCooperativeLevel())
    NOT_OFFERED(GetDirect3D(IDirect3D8**))
    NOT_OFFERED(GetDeviceCaps(D3DCAPS8*))
    NOT_OFFERED(GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS*))
    NOT_OFFERED(Reset(D3DPRESENT_PARAMETERS*))
    NOT_OFFERED(Present(const RECT*, const RECT*, HWND, const void*))
    NOT_OFFERED(CreateVertexBuffer(UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer8**))
    NOT_OFFERED(CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer8**))
    NOT_OFFERED(BeginScene())
    NOT_OFFERED(EndScene())
    NOT_OFFERED(Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD))
    NOT_OFFERED(SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*))
    NOT_OFFERED(GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*))
    NOT_OFFERED(SetMaterial(const D3DMATERIAL8*))
    NOT_OFFERED(GetMaterial(D3DMATERIAL8*))
    NOT_OFFERED(SetLight(DWORD, const D3DLIGHT8*))
    NOT_OFFERED(GetLight(DWORD, D3DLIGHT8*))
    NOT_OFFERED(LightEnable(DWORD, BOOL))
    NOT_OFFERED(GetLightEnable(DWORD, BOOL*))
    NOT_OFFERED(SetRenderState(D3DRENDERSTATETYPE, DWORD))
    NOT_OFFERED(GetRenderState(D3DRENDERSTATETYPE, DWORD*))
    NOT_OFFERED(BeginStateBlock())
    NOT_OFFERED(EndStateBlock(DWORD*))
    NOT_OFFERED(ApplyStateBlock(DWORD))
    NOT_OFFERED(CaptureStateBlock(DWORD))
    NOT_OFFERED(DeleteStateBlock(DWORD))
    NOT_OFFERED(GetTexture(DWORD, IDirect3DBaseTexture8**))
    NOT_OFFERED(SetTexture(DWORD, IDirect3DBaseTexture8*))
    NOT_OFFERED(GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*))
    NOT_OFFERED(SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD))
    NOT_OFFERED(DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT))
    NOT_OFFERED(DrawIndexedPrimitive(D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT))
    NOT_OFFERED(SetVertexShader(DWORD))
    NOT_OFFERED(GetVertexShader(DWORD*))
    NOT_OFFERED(SetStreamSource(UINT, IDirect3DVertexBuffer8*, UINT))
    NOT_OFFERED(GetStreamSource(UINT, IDirect3DVertexBuffer8**, UINT*))
    NOT_OFFERED(SetIndices(IDirect3DIndexBuffer8*, UINT))
    NOT_OFFERED(GetIndices(IDirect3DIndexBuffer8**, UINT*))
#undef NOT_OFFERED

private:
    IDirect3DDevice8* m_real;
    Kind m_kind;
};

}  // namespace

TEST(TextureRenderer, IdentityNamesAndInterfaces) {
    HeldRenderer renderer;
    CLSID clsid{};
    ASSERT_EQ(renderer.GetClassID(&clsid), S_OK);
    const CLSID expected = {0x71771540, 0x2017, 0x11CF, {0xAE, 0x26, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x69}};
    EXPECT_TRUE(clsid == expected);
    EXPECT_STREQ(renderer.Name(), "Video Texture");
    CComPtr<IPin> pin;
    ASSERT_EQ(renderer.FindPin(u"In", &pin), S_OK);
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    pin->QueryDirection(&direction);
    EXPECT_EQ(direction, PINDIR_INPUT);
    CComPtr<IPin> none;
    EXPECT_EQ(renderer.FindPin(u"Out", &none), VFW_E_NOT_FOUND);

    for (const IID* iid : {&IID_IUnknown, &IID_IBaseFilter, &IID_IMediaFilter, &IID_IPersist,
                           &IID_IQualProp, &IID_IQualityControl, &IID_IAMovieSetup}) {
        IUnknown* object = nullptr;
        EXPECT_EQ(renderer.QueryInterface(*iid, reinterpret_cast<void**>(&object)), S_OK);
        if (object) object->Release();
    }
    void* object = &renderer;
    EXPECT_EQ(renderer.QueryInterface(IID_IGraphBuilder, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    pin.Release();
    EXPECT_EQ(renderer.RefCount(), 1) << "every query's reference came back";
    EXPECT_EQ(renderer.m_pTexture, nullptr);
}

TEST(TextureRenderer, AcceptsOnlyUncompressed24BitVideoWithAVideoInfoHeader) {
    HeldRenderer renderer;
    struct Case {
        const char* what;
        CMediaType type;
        HRESULT expected;
    };
    std::vector<Case> cases;
    cases.push_back({"24-bit video", videoType(MEDIASUBTYPE_RGB24, 320, 240), S_OK});
    cases.push_back({"top-down 24-bit video", videoType(MEDIASUBTYPE_RGB24, 320, -240), S_OK});
    cases.push_back({"32-bit video", videoType(MEDIASUBTYPE_RGB32, 320, 240), E_FAIL});
    CMediaType audio = videoType(MEDIASUBTYPE_RGB24, 320, 240);
    audio.SetType(&MEDIATYPE_Audio);
    cases.push_back({"audio major type", audio, E_FAIL});
    CMediaType wave = videoType(MEDIASUBTYPE_RGB24, 320, 240);
    wave.SetFormatType(&FORMAT_WaveFormatEx);
    cases.push_back({"another format type", wave, E_INVALIDARG});
    CMediaType empty;
    empty.SetType(&MEDIATYPE_Video);
    empty.SetSubtype(&MEDIASUBTYPE_RGB24);
    empty.SetFormatType(&FORMAT_VideoInfo);
    cases.push_back({"no format block", empty, E_INVALIDARG});
    CMediaType shortBlock = videoType(MEDIASUBTYPE_RGB24, 320, 240);
    shortBlock.cbFormat = sizeof(VIDEOINFOHEADER) - 4;
    cases.push_back({"format block too short", shortBlock, E_INVALIDARG});
    cases.push_back({"zero width", videoType(MEDIASUBTYPE_RGB24, 0, 240), E_FAIL});
    cases.push_back({"zero height", videoType(MEDIASUBTYPE_RGB24, 320, 0), E_FAIL});
    cases.push_back({"negative width", videoType(MEDIASUBTYPE_RGB24, -320, 240), E_FAIL});
    cases.push_back({"absurd height", videoType(MEDIASUBTYPE_RGB24, 320, -2147483647 - 1), E_FAIL});
    for (const Case& c : cases) EXPECT_EQ(renderer.CheckMediaType(&c.type), c.expected) << c.what;
    shortBlock.cbFormat = sizeof(VIDEOINFOHEADER);  // what the destructor frees
}

TEST(TextureRenderer, SetMediaTypeMakesATextureOneTexelLargerThanTheVideo) {
    TestDevice device;
    HeldRenderer renderer;
    renderer.m_pDevice = device.device();
    const CMediaType type = videoType(MEDIASUBTYPE_RGB24, 320, -240);
    ASSERT_EQ(renderer.SetMediaType(&type), S_OK);
    EXPECT_EQ(renderer.m_lVidWidth, 320);
    EXPECT_EQ(renderer.m_lVidHeight, 240);
    EXPECT_EQ(renderer.m_lVidPitch, 960);
    EXPECT_EQ(renderer.m_nTexWidth, 321u);
    EXPECT_EQ(renderer.m_nTexHeight, 241u);
    ASSERT_NE(renderer.m_pTexture, nullptr);
    D3DSURFACE_DESC desc{};
    renderer.m_pTexture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);

    // A reconnection replaces the texture instead of leaking the first one.
    IDirect3DTexture8* first = renderer.m_pTexture;
    first->AddRef();
    const CMediaType odd = videoType(MEDIASUBTYPE_RGB24, 15, 9);
    ASSERT_EQ(renderer.SetMediaType(&odd), S_OK);
    EXPECT_EQ(renderer.m_lVidPitch, 48);
    EXPECT_NE(renderer.m_pTexture, first);
    EXPECT_EQ(first->Release(), 0u);
}

TEST(TextureRenderer, RefusesTypesItCannotHoldOrRead) {
    TestDevice device;
    HeldRenderer renderer;
    renderer.m_pDevice = device.device();
    D3DCAPS8 caps{};
    device.device()->GetDeviceCaps(&caps);
    // Exactly the largest texture side: the extra texel does not fit.
    const CMediaType wide = videoType(MEDIASUBTYPE_RGB24, LONG(caps.MaxTextureWidth), 8);
    EXPECT_TRUE(FAILED(renderer.SetMediaType(&wide)));
    if (renderer.m_pTexture) {
        EXPECT_GE(renderer.m_nTexWidth, UINT(renderer.m_lVidWidth));
    }
    // A type that was never accepted is not read.
    const CMediaType wave = [] {
        CMediaType type = videoType(MEDIASUBTYPE_RGB24, 16, 12);
        type.SetFormatType(&FORMAT_WaveFormatEx);
        type.AllocFormatBuffer(4);
        return type;
    }();
    EXPECT_EQ(renderer.SetMediaType(&wave), VFW_E_TYPE_NOT_ACCEPTED);
    // Without a device there is no texture at all.
    HeldRenderer deviceless;
    const CMediaType small = videoType(MEDIASUBTYPE_RGB24, 16, 12);
    EXPECT_EQ(deviceless.SetMediaType(&small), E_FAIL);
}

TEST(TextureRenderer, CopiesEachPixelToATexelWithOpaqueAlphaAndNoFlip) {
    TestDevice device;
    for (const LONG height : {9, -9}) {
        SCOPED_TRACE(height);
        platform::setExtraTexturePitch(20);  // a pitch wider than the row shows misuse
        HeldRenderer renderer;
        renderer.m_pDevice = device.device();
        const CMediaType type = videoType(MEDIASUBTYPE_RGB24, 15, height);
        ASSERT_EQ(renderer.SetMediaType(&type), S_OK);
        CMediaSample* sample = frameSample(15, 9);
        ASSERT_EQ(renderer.DoRenderSample(sample), S_OK);
        sample->Release();
        platform::setExtraTexturePitch(0);

        Texel texel{};
        ASSERT_TRUE(readTexel(renderer.m_pTexture, 2, 1, &texel));
        EXPECT_EQ((std::vector<int>{texel.b, texel.g, texel.r, texel.a}), (std::vector<int>{10, 20, 30, 255}));
        ASSERT_TRUE(readTexel(renderer.m_pTexture, 14, 8, &texel));  // sample row 8 -> texture row 8
        EXPECT_EQ((std::vector<int>{texel.b, texel.g, texel.r, texel.a}), (std::vector<int>{8, 14, 7, 255}));
        // The extra column and row stay as the texture was made.
        ASSERT_TRUE(readTexel(renderer.m_pTexture, 15, 3, &texel));
        EXPECT_EQ(texel.a, 0);
        ASSERT_TRUE(readTexel(renderer.m_pTexture, 3, 9, &texel));
        EXPECT_EQ(texel.a, 0);
    }
}

TEST(TextureRenderer, ASampleShorterThanAFrameIsNotCopied) {
    TestDevice device;
    HeldRenderer renderer;
    renderer.m_pDevice = device.device();
    const CMediaType type = videoType(MEDIASUBTYPE_RGB24, 15, 9);
    ASSERT_EQ(renderer.SetMediaType(&type), S_OK);
    CMediaSample* sample = frameSample(15, 9, 1);
    EXPECT_EQ(renderer.DoRenderSample(sample), E_FAIL);
    sample->Release();
    Texel texel{};
    ASSERT_TRUE(readTexel(renderer.m_pTexture, 2, 1, &texel));
    EXPECT_EQ(texel.a, 0);

    // No texture yet: nothing to copy into.
    HeldRenderer unconnected;
    CMediaSample* any = frameSample(15, 9);
    EXPECT_EQ(unconnected.DoRenderSample(any), E_FAIL);
    any->Release();
}

TEST(TextureRenderer, DoRenderSampleFailsWhenTheTextureIsLocked) {
    TestDevice device;
    HeldRenderer renderer;
    renderer.m_pDevice = device.device();
    const CMediaType type = videoType(MEDIASUBTYPE_RGB24, 15, 9);
    ASSERT_EQ(renderer.SetMediaType(&type), S_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(renderer.m_pTexture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    CMediaSample* sample = frameSample(15, 9);
    EXPECT_EQ(renderer.DoRenderSample(sample), E_FAIL);
    renderer.m_pTexture->UnlockRect(0);
    EXPECT_EQ(renderer.DoRenderSample(sample), S_OK);
    sample->Release();
}

TEST(TextureRenderer, WithoutAGraphNothingIsFinishedAndTheDestructorIsQuiet) {
    HeldRenderer renderer;
    EXPECT_EQ(renderer.CheckFinished(), 0);
}

TEST(TextureRenderer, TheTextureAsTheDeviceMadeItIsUsedOrRefused) {
    TestDevice device;
    struct Case {
        const char* name;
        TextureMakingDevice::Kind kind;
        HRESULT expected;
        UINT texWidth, texHeight;
    };
    const Case cases[] = {
        {"powers of two", TextureMakingDevice::PowerOfTwo, S_OK, 512, 256},
        {"smaller than the frame", TextureMakingDevice::SmallestSide8, VFW_E_TYPE_NOT_ACCEPTED, 8, 8},
        {"another format", TextureMakingDevice::OtherFormat, VFW_E_TYPE_NOT_ACCEPTED, 0, 0},
        {"no texture", TextureMakingDevice::Refuses, E_FAIL, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextureMakingDevice maker(device.device(), c.kind);
        HeldRenderer renderer;
        renderer.m_pDevice = &maker;
        const CMediaType type = videoType(MEDIASUBTYPE_RGB24, 320, 240);
        EXPECT_EQ(renderer.SetMediaType(&type), c.expected);
        EXPECT_EQ(renderer.m_nTexWidth, c.texWidth);
        EXPECT_EQ(renderer.m_nTexHeight, c.texHeight);
        if (c.kind != TextureMakingDevice::SmallestSide8) continue;
        // Even so, a frame is never copied past the texture's edge.
        CMediaSample* sample = frameSample(320, 240);
        EXPECT_EQ(renderer.DoRenderSample(sample), S_OK);
        sample->Release();
        Texel texel{};
        ASSERT_TRUE(readTexel(renderer.m_pTexture, 7, 7, &texel));
        EXPECT_EQ((std::vector<int>{texel.b, texel.g, texel.r, texel.a}), (std::vector<int>{7, 7, 7, 255}));
    }
}

TEST(TextureRenderer, ATextureTheConnectionCannotUseMakesOpenFileFail) {
    TestDevice device;
    const std::string path = avitest::writeAvi("video_device_textures.avi", avitest::AviSpec{});
    struct Case {
        const char* name;
        TextureMakingDevice::Kind kind;
        HRESULT expected;
        UINT texWidth, texHeight;
    };
    const Case cases[] = {
        {"powers of two", TextureMakingDevice::PowerOfTwo, S_OK, 32, 16},
        {"smaller than the frame", TextureMakingDevice::SmallestSide8, E_FAIL, 8, 8},
        {"another format", TextureMakingDevice::OtherFormat, E_FAIL, 0, 0},
        {"no texture", TextureMakingDevice::Refuses, E_FAIL, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextureMakingDevice maker(device.device(), c.kind);
        HeldRenderer renderer;
        ASSERT_EQ(renderer.OpenFile(&maker, path.c_str()), c.expected);
        EXPECT_EQ(renderer.m_pDevice, &maker);
        EXPECT_EQ(renderer.m_nTexWidth, c.texWidth);
        EXPECT_EQ(renderer.m_nTexHeight, c.texHeight);
        if (c.expected == S_OK) {
            // The clip plays into the enlarged texture and ends as usual.
            EXPECT_TRUE(waitForEnd(renderer, 5.0));
            renderer.m_pMC->Stop();
            EXPECT_GT(renderer.FramesRendered(), 0);
        } else {
            EXPECT_TRUE(!renderer.m_pMC) << "nothing runs";
        }
    }
    EXPECT_EQ(platform::dshowThreadsAlive(), 0);
}
