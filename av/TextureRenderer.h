// The video renderer filter that copies every frame of a clip into a
// texture, and the filter graph that plays one file into it.
#pragma once

#include "d3d8_api.h"
#include "dshow_base.h"

// {71771540-2017-11CF-AE26-0020AFD79769}
extern const CLSID CLSID_TextureRenderer;

class CTextureRenderer : public CBaseVideoRenderer {
public:
    CTextureRenderer();
    ~CTextureRenderer() override;

    HRESULT SetMediaType(const CMediaType* pmt) override;
    HRESULT DoRenderSample(IMediaSample* pSample) override;
    HRESULT CheckMediaType(const CMediaType* pmt) override;

    // Builds the graph from the file to this filter, adds the clip's sound
    // when there is one, and starts it. S_OK, or E_FAIL at the first step
    // that fails.
    HRESULT OpenFile(IDirect3DDevice8* pDevice, const char* szFile);
    // 1 once the clip has played to its end (it is then rewound), else 0.
    int CheckFinished();

    LONG m_lVidWidth;    // video width in pixels
    LONG m_lVidHeight;   // video height in pixels, always positive
    UINT m_nTexWidth;    // texture size as created (the video size + 1 was asked for)
    UINT m_nTexHeight;
    LONG m_lVidPitch;    // bytes per sample row: width * 3 rounded up to 4
    CComPtr<IGraphBuilder> m_pGB;
    CComPtr<IMediaControl> m_pMC;
    CComPtr<IMediaEvent> m_pME;
    CComPtr<IMediaPosition> m_pMP;
    IDirect3DTexture8* m_pTexture;  // NULL until a media type is set
    IDirect3DDevice8* m_pDevice;    // not referenced
};
