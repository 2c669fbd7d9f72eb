#include "TextureRenderer.h"

#include "d3dx8_api.h"

#include <algorithm>
#include <cstdint>

const CLSID CLSID_TextureRenderer = {0x71771540, 0x2017, 0x11CF, {0xAE, 0x26, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x69}};

// The file name buffer of OpenFile, in wide characters.
#define TEXTURE_RENDERER_MAX_PATH 260
// Larger frames are refused: their row and frame sizes would not fit a LONG.
#define TEXTURE_RENDERER_MAX_SIDE 16384

CTextureRenderer::CTextureRenderer()
    : CBaseVideoRenderer(CLSID_TextureRenderer, "Video Texture", NULL, NULL),
      m_lVidWidth(0),
      m_lVidHeight(0),
      m_nTexWidth(0),
      m_nTexHeight(0),
      m_lVidPitch(0),
      m_pTexture(NULL),
      m_pDevice(NULL) {}

CTextureRenderer::~CTextureRenderer() {
    if (m_pMC) m_pMC->Stop();
    if (m_pMC) m_pMC.Release();
    if (m_pME) m_pME.Release();
    if (m_pMP) m_pMP.Release();
    if (m_pGB) m_pGB.Release();
    if (m_pTexture) {
        m_pTexture->Release();
        m_pTexture = NULL;
    }
}

HRESULT CTextureRenderer::CheckMediaType(const CMediaType* pmt) {
    if (pmt == NULL) return E_POINTER;
    // The format block must really be a VIDEOINFOHEADER before it is read.
    if (*pmt->FormatType() != FORMAT_VideoInfo || pmt->Format() == NULL ||
        pmt->FormatLength() < sizeof(VIDEOINFOHEADER))
        return E_INVALIDARG;
    const VIDEOINFOHEADER* pvi = reinterpret_cast<const VIDEOINFOHEADER*>(pmt->Format());
    const int64_t width = pvi->bmiHeader.biWidth;
    const int64_t height = pvi->bmiHeader.biHeight < 0 ? -int64_t(pvi->bmiHeader.biHeight)
                                                       : int64_t(pvi->bmiHeader.biHeight);
    const bool sizeUsable = width > 0 && height > 0 && width <= TEXTURE_RENDERER_MAX_SIDE &&
                            height <= TEXTURE_RENDERER_MAX_SIDE;
    if (*pmt->Type() == MEDIATYPE_Video && *pmt->Subtype() == MEDIASUBTYPE_RGB24 && sizeUsable)
        return S_OK;
    return E_FAIL;
}

HRESULT CTextureRenderer::SetMediaType(const CMediaType* pmt) {
    // Only a type this renderer accepts has a format block that can be read.
    if (CTextureRenderer::CheckMediaType(pmt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    const VIDEOINFOHEADER* pviBmp = reinterpret_cast<const VIDEOINFOHEADER*>(pmt->Format());
    m_lVidWidth = pviBmp->bmiHeader.biWidth;
    m_lVidHeight = pviBmp->bmiHeader.biHeight < 0 ? -pviBmp->bmiHeader.biHeight : pviBmp->bmiHeader.biHeight;
    m_lVidPitch = (m_lVidWidth * 3 + 3) & ~3;

    // A new connection gets a new texture; the old one is not leaked.
    if (m_pTexture) {
        m_pTexture->Release();
        m_pTexture = NULL;
    }
    if (FAILED(D3DXCreateTexture(m_pDevice, UINT(m_lVidWidth + 1), UINT(m_lVidHeight + 1), 1, 0,
                                 D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &m_pTexture)))
        return E_FAIL;

    // Without a description there is no size to store.
    D3DSURFACE_DESC ddsd;
    if (FAILED(m_pTexture->GetLevelDesc(0, &ddsd))) return E_FAIL;
    if (ddsd.Format != D3DFMT_A8R8G8B8) return VFW_E_TYPE_NOT_ACCEPTED;
    m_nTexWidth = ddsd.Width;
    m_nTexHeight = ddsd.Height;
    // Every frame is copied whole, so the texture must hold a whole frame.
    if (m_nTexWidth < UINT(m_lVidWidth) || m_nTexHeight < UINT(m_lVidHeight))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CTextureRenderer::DoRenderSample(IMediaSample* pSample) {
    BYTE* pBmpBuffer = NULL;
    if (pSample == NULL || FAILED(pSample->GetPointer(&pBmpBuffer)) || pBmpBuffer == NULL) return E_FAIL;
    if (m_pTexture == NULL) return E_FAIL;
    // A sample shorter than one frame is not shown rather than read past.
    const int64_t frameBytes = int64_t(m_lVidPitch) * m_lVidHeight;
    if (pSample->GetActualDataLength() < frameBytes) return E_FAIL;

    // The texture's own lock orders this copy against the drawing thread's
    // upload of the texture.
    D3DLOCKED_RECT d3dlr;
    if (FAILED(m_pTexture->LockRect(0, &d3dlr, NULL, 0))) return E_FAIL;
    const LONG lRows = std::min<LONG>(m_lVidHeight, LONG(m_nTexHeight));
    const LONG lCols = std::min<LONG>(m_lVidWidth, LONG(m_nTexWidth));
    BYTE* pTxtBuffer = static_cast<BYTE*>(d3dlr.pBits);
    for (LONG row = 0; row < lRows; ++row) {
        const BYTE* pSrc = pBmpBuffer + size_t(row) * size_t(m_lVidPitch);
        BYTE* pDst = pTxtBuffer + size_t(row) * size_t(d3dlr.Pitch);
        for (LONG col = 0; col < lCols; ++col) {
            pDst[col * 4 + 0] = pSrc[col * 3 + 0];
            pDst[col * 4 + 1] = pSrc[col * 3 + 1];
            pDst[col * 4 + 2] = pSrc[col * 3 + 2];
            pDst[col * 4 + 3] = 0xFF;
        }
    }
    if (FAILED(m_pTexture->UnlockRect(0))) return E_FAIL;
    return S_OK;
}

HRESULT CTextureRenderer::OpenFile(IDirect3DDevice8* pDevice, const char* szFile) {
    // One graph per renderer: a second open would rebuild around a live one.
    if (m_pGB) return E_FAIL;
    m_pDevice = pDevice;

    // A path that does not fit the buffer would be cut off without its
    // terminator, so it is refused instead.
    WCHAR wFileName[TEXTURE_RENDERER_MAX_PATH];
    if (szFile == NULL ||
        MultiByteToWideChar(CP_ACP, 0, szFile, -1, wFileName, TEXTURE_RENDERER_MAX_PATH) == 0)
        return E_FAIL;

    // Never given back: the object lives in static storage and must not be
    // deleted when the graph lets go of it.
    static_cast<IBaseFilter*>(this)->AddRef();
    CoInitialize(NULL);

    if (FAILED(CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&m_pGB))))
        return E_FAIL;
    if (FAILED(m_pGB->AddFilter(this, u"TEXTURERENDERER"))) return E_FAIL;

    CComPtr<IBaseFilter> pFSrc;
    if (FAILED(m_pGB->AddSourceFilter(wFileName, u"SOURCE", &pFSrc))) return E_FAIL;
    CComPtr<IPin> pFTRPinIn;
    if (FAILED(FindPin(u"In", &pFTRPinIn))) return E_FAIL;
    CComPtr<IPin> pFSrcPinOut;
    if (FAILED(pFSrc->FindPin(u"Output", &pFSrcPinOut))) return E_FAIL;
    if (FAILED(m_pGB->Connect(pFSrcPinOut, pFTRPinIn))) return E_FAIL;

    // Later calls go through these three; a graph without them is unusable.
    if (FAILED(m_pGB->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_pMC))) ||
        FAILED(m_pGB->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&m_pME))) ||
        FAILED(m_pGB->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&m_pMP))))
        return E_FAIL;

    // The clip's sound, when it has one; the clip plays silent otherwise.
    CComPtr<IBaseFilter> pSplitter;
    if (SUCCEEDED(m_pGB->FindFilterByName(u"AVI Splitter", &pSplitter))) {
        CComPtr<IPin> pAudioPin;
        if (SUCCEEDED(pSplitter->FindPin(u"Stream 01", &pAudioPin))) m_pGB->Render(pAudioPin);
    }

    if (FAILED(m_pMC->Run())) return E_FAIL;
    return S_OK;
}

int CTextureRenderer::CheckFinished() {
    // Before a graph exists (or after one failed to open) nothing can end.
    if (!m_pME) return 0;
    LONG lEventCode = 0;
    LONG_PTR lParam1 = 0, lParam2 = 0;
    // Judged by the call's result: with no event waiting the code is not set.
    if (FAILED(m_pME->GetEvent(&lEventCode, &lParam1, &lParam2, 0))) return 0;
    m_pME->FreeEventParams(lEventCode, lParam1, lParam2);
    // A graph that gave up (a stream error, or an abort) will send no end of
    // clip: that counts as the end too, so nobody waits for it for ever.
    if (lEventCode == EC_ERRORABORT || lEventCode == EC_USERABORT) return 1;
    if (lEventCode != EC_COMPLETE) return 0;
    if (m_pMP) m_pMP->put_CurrentPosition(0.0);
    return 1;
}
