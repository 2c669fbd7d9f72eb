#include "TextureFont.h"

#include "GraphicsApp.h"
#include "gdi_api.h"

#include <cstring>

namespace {

const int kFirstChar = 32;
const int kLastChar = 126;
const int kWrapMargin = 1;
const int kGlyphGap = 10;
// The largest texture the font grows to when its glyphs do not fit.
const int kMaxTexSize = 2048;
const DWORD kBufferUsage = D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC;
const UINT kVertexStride = sizeof(SScreenVertex);

int TextureSizeForPoints(int nPoints) {
    if (nPoints > 40) return 1024;
    if (nPoints > 20) return 512;
    return 256;
}

// Measures and draws the printable characters one by one in code order and
// notes each cell: a row wraps when the next cell and a margin would pass the
// edge, and the next row starts a cell height plus one lower. Returns 1 when
// every cell lies inside the edge.
int DrawGlyphs(HDC hDC, int nEdge, int nCellHeight, SGlyphUV* pGlyphs) {
    int x = 0, y = 0, fits = 1;
    for (int code = kFirstChar; code <= kLastChar; ++code) {
        const char c = static_cast<char>(code);
        SIZE size = {0, 0};
        GetTextExtentPoint32A(hDC, &c, 1, &size);
        if (x + size.cx + kWrapMargin > nEdge) {
            x = 0;
            y += nCellHeight + 1;
        }
        ExtTextOutA(hDC, x, y, ETO_OPAQUE, nullptr, &c, 1, nullptr);
        SGlyphUV& glyph = pGlyphs[code - kFirstChar];
        glyph.m_fLeft = float(x) / float(nEdge);
        glyph.m_fTop = float(y) / float(nEdge);
        glyph.m_fRight = float(x + size.cx) / float(nEdge);
        glyph.m_fBottom = float(y + size.cy) / float(nEdge);
        if (x + size.cx > nEdge || y + size.cy > nEdge) fits = 0;
        x += size.cx + kGlyphGap;
    }
    return fits;
}

// The GDI objects of one rasterisation, given back on every way out.
struct SGdiCanvas {
    HDC hDC = nullptr;
    HFONT hFont = nullptr;
    HGDIOBJ hOldFont = nullptr;
    HBITMAP hBitmap = nullptr;
    HGDIOBJ hOldBitmap = nullptr;
    BYTE* pBits = nullptr;

    ~SGdiCanvas() {
        DropSection();
        if (hOldFont) SelectObject(hDC, hOldFont);
        if (hFont) DeleteObject(hFont);
        if (hDC) DeleteDC(hDC);
    }

    int MakeSection(int nEdge) {
        BITMAPINFO bmi;
        std::memset(&bmi, 0, sizeof(bmi));
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = nEdge;
        bmi.bmiHeader.biHeight = -nEdge;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        void* pBitsOut = nullptr;
        hBitmap = CreateDIBSection(hDC, &bmi, DIB_RGB_COLORS, &pBitsOut, nullptr, 0);
        pBits = static_cast<BYTE*>(pBitsOut);
        if (!hBitmap || !pBits) return 0;
        hOldBitmap = SelectObject(hDC, hBitmap);
        return 1;
    }

    void DropSection() {
        if (hOldBitmap) SelectObject(hDC, hOldBitmap);
        if (hBitmap) DeleteObject(hBitmap);
        hOldBitmap = nullptr;
        hBitmap = nullptr;
        pBits = nullptr;
    }
};

void FontInvalidate(void* pObject) { static_cast<CTextureFont*>(pObject)->InvalidateDeviceObjects(); }
void FontRestore(void* pObject) { static_cast<CTextureFont*>(pObject)->RestoreDeviceObjects(); }

}  // namespace

// Everything starts cleared, the device and the block handles included: the
// fonts in static storage are zero anyway, and a font made anywhere else can
// then be drawn or released before it was created without reading garbage.
CTextureFont::CTextureFont()
    : m_nTexSize(0), m_Glyphs(), m_pTexture(nullptr), m_pVertexBuffer(nullptr),
      m_pDevice(nullptr), m_dwDrawBlock(0), m_dwSavedBlock(0) {}

// Frees nothing: the texture, the buffer and the blocks go only through
// Release. It only makes sure a recovery never calls back into a font that
// is gone.
CTextureFont::~CTextureFont() { UnregisterDefaultPoolObject(this); }

HRESULT CTextureFont::Create(IDirect3DDevice8* pDevice, const char* szFace, int nPoints) {
    m_pDevice = pDevice;
    if (!m_pDevice) return E_FAIL;  // nothing to make the texture with
    if (FAILED(BuildTexture(szFace, nPoints))) return E_FAIL;
    if (FAILED(CreateBufferAndBlocks())) return E_FAIL;
    RegisterDefaultPoolObject(this, FontInvalidate, FontRestore);
    return S_OK;
}

HRESULT CTextureFont::BuildTexture(const char* szFace, int nPoints) {
    SGdiCanvas canvas;
    canvas.hDC = CreateCompatibleDC(nullptr);
    // Without a context no glyph could be drawn: fail instead of making an
    // empty texture and calling that a success.
    if (!canvas.hDC) return E_FAIL;
    SetTextColor(canvas.hDC, RGB(255, 255, 255));
    SetBkColor(canvas.hDC, 0);
    SetTextAlign(canvas.hDC, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    SetMapMode(canvas.hDC, MM_TEXT);

    const int nCellHeight = MulDiv(nPoints, GetDeviceCaps(canvas.hDC, LOGPIXELSY), 72);
    canvas.hFont = CreateFontA(nCellHeight, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               ANTIALIASED_QUALITY, VARIABLE_PITCH, szFace);
    if (!canvas.hFont) return E_FAIL;
    canvas.hOldFont = SelectObject(canvas.hDC, canvas.hFont);

    // A face too wide for the size table's texture grows the texture and
    // draws its glyphs again, instead of losing its last rows past the bottom.
    m_nTexSize = TextureSizeForPoints(nPoints);
    for (;;) {
        // Without its bitmap there would be no coverage to copy from.
        if (!canvas.MakeSection(m_nTexSize)) return E_FAIL;
        if (DrawGlyphs(canvas.hDC, m_nTexSize, nCellHeight, m_Glyphs)) break;
        if (m_nTexSize >= kMaxTexSize) break;
        canvas.DropSection();
        m_nTexSize *= 2;
    }
    const int nEdge = m_nTexSize;

    if (FAILED(m_pDevice->CreateTexture(nEdge, nEdge, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                        &m_pTexture))) {
        m_pTexture = nullptr;
        return E_FAIL;
    }
    // A refused lock leaves the texture as it is rather than writing through null.
    D3DLOCKED_RECT locked;
    std::memset(&locked, 0, sizeof(locked));
    if (SUCCEEDED(m_pTexture->LockRect(0, &locked, nullptr, 0)) && locked.pBits) {
        for (int r = 0; r < nEdge; ++r) {
            const BYTE* pSource = canvas.pBits + size_t(r) * nEdge * 4;
            BYTE* pDest = static_cast<BYTE*>(locked.pBits) + size_t(r) * locked.Pitch;
            for (int c = 0; c < nEdge; ++c) std::memset(pDest + 4 * c, pSource[4 * c], 4);
        }
        m_pTexture->UnlockRect(0);
    }
    return S_OK;
}

HRESULT CTextureFont::CreateBufferAndBlocks() {
    if (FAILED(m_pDevice->CreateVertexBuffer(TEXTFONT_BATCH_VERTICES * kVertexStride, kBufferUsage,
                                             D3DFVF_SCREENVERTEX, D3DPOOL_DEFAULT,
                                             &m_pVertexBuffer))) {
        m_pVertexBuffer = nullptr;
        return E_FAIL;
    }
    for (int i = 0; i < 2; ++i) {
        m_pDevice->BeginStateBlock();
        m_pDevice->SetTexture(0, m_pTexture);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        m_pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_ALPHAREF, 0x10);
        m_pDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        m_pDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
        m_pDevice->SetVertexShader(D3DFVF_SCREENVERTEX);
        m_pDevice->SetStreamSource(0, m_pVertexBuffer, kVertexStride);
        m_pDevice->EndStateBlock(i == 0 ? &m_dwDrawBlock : &m_dwSavedBlock);
    }
    return S_OK;
}

void CTextureFont::DeleteBlocks() {
    if (!m_pDevice) return;
    if (m_dwDrawBlock) m_pDevice->DeleteStateBlock(m_dwDrawBlock);
    if (m_dwSavedBlock) m_pDevice->DeleteStateBlock(m_dwSavedBlock);
    m_dwDrawBlock = 0;
    m_dwSavedBlock = 0;
}

void CTextureFont::Release() {
    UnregisterDefaultPoolObject(this);
    DeleteBlocks();
    if (m_pVertexBuffer) {
        m_pVertexBuffer->Release();
        m_pVertexBuffer = nullptr;
    }
    if (m_pTexture) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
}

void CTextureFont::InvalidateDeviceObjects() {
    if (!m_pVertexBuffer) return;
    // The blocks name the buffer, and the device may still have it bound.
    DeleteBlocks();
    UnbindStreamSource(m_pDevice, m_pVertexBuffer);
    m_pVertexBuffer->Release();
    m_pVertexBuffer = nullptr;
}

HRESULT CTextureFont::RestoreDeviceObjects() {
    if (!m_pDevice || !m_pTexture || m_pVertexBuffer) return S_OK;
    return CreateBufferAndBlocks();
}

void CTextureFont::InitVertex(SScreenVertex* pVertex, float fX, float fY, float fU, float fV,
                              D3DCOLOR dwColour) {
    pVertex->x = fX;
    pVertex->y = fY;
    pVertex->z = 1.0f;
    pVertex->rhw = 1.0f;
    pVertex->diffuse = dwColour;
    pVertex->tu = fU;
    pVertex->tv = fV;
}

void CTextureFont::EmitChar(char c, SScreenVertex** ppVertex, float fStartX, float* pfX,
                            float* pfY, D3DCOLOR dwColour) {
    const signed char code = static_cast<signed char>(c);
    if (code == '\n') {
        const SGlyphUV& space = m_Glyphs[0];
        *pfX = fStartX;
        *pfY += float(int((space.m_fBottom - space.m_fTop) * float(m_nTexSize)));
        return;
    }
    if (code < kFirstChar) return;  // other control bytes and every byte from 128 on

    const SGlyphUV& g = m_Glyphs[code - kFirstChar];
    const float w = (g.m_fRight - g.m_fLeft) * float(m_nTexSize);
    const float h = (g.m_fBottom - g.m_fTop) * float(m_nTexSize);
    const float x = *pfX, y = *pfY;
    SScreenVertex* v = *ppVertex;
    InitVertex(v++, x, y + h, g.m_fLeft, g.m_fBottom, dwColour);
    InitVertex(v++, x, y, g.m_fLeft, g.m_fTop, dwColour);
    InitVertex(v++, x + w, y, g.m_fRight, g.m_fTop, dwColour);
    InitVertex(v++, x + w, y, g.m_fRight, g.m_fTop, dwColour);
    InitVertex(v++, x + w, y + h, g.m_fRight, g.m_fBottom, dwColour);
    InitVertex(v++, x, y + h, g.m_fLeft, g.m_fBottom, dwColour);
    *ppVertex = v;
    *pfX = x + w;
}

void CTextureFont::DrawText(float fX, float fY, const char* szText, D3DCOLOR dwColour) {
    if (!m_pTexture || !m_pVertexBuffer || !m_pDevice) return;
    m_pDevice->CaptureStateBlock(m_dwSavedBlock);
    m_pDevice->ApplyStateBlock(m_dwDrawBlock);

    float fPenX = fX, fPenY = fY;
    UINT nTriangles = 0;
    BYTE* pData = nullptr;
    m_pVertexBuffer->Lock(0, 0, &pData, D3DLOCK_DISCARD);
    SScreenVertex* pVertex = reinterpret_cast<SScreenVertex*>(pData);
    // A null text counts as empty.
    for (const char* p = szText ? szText : ""; *p && pVertex; ++p) {
        SScreenVertex* pBefore = pVertex;
        EmitChar(*p, &pVertex, fX, &fPenX, &fPenY, dwColour);
        if (pVertex != pBefore) nTriangles += 2;
        if (nTriangles * 3 > TEXTFONT_BATCH_VERTICES - 6) {
            m_pVertexBuffer->Unlock();
            m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, nTriangles);
            pData = nullptr;
            m_pVertexBuffer->Lock(0, 0, &pData, D3DLOCK_DISCARD);
            pVertex = reinterpret_cast<SScreenVertex*>(pData);
            nTriangles = 0;
        }
    }
    // A refused lock leaves nothing to write into: the text stops there.
    m_pVertexBuffer->Unlock();
    if (nTriangles > 0) m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, nTriangles);

    m_pDevice->ApplyStateBlock(m_dwSavedBlock);
}

void CTextureFont::DrawTexturePreview(float fX, float fY) {
    if (!m_pTexture || !m_pVertexBuffer) return;
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetTexture(0, m_pTexture);
    m_pDevice->SetVertexShader(D3DFVF_SCREENVERTEX);
    m_pDevice->SetStreamSource(0, m_pVertexBuffer, kVertexStride);
    BYTE* pData = nullptr;
    // Nothing to write into: no preview rather than a write through null.
    if (FAILED(m_pVertexBuffer->Lock(0, 4 * kVertexStride, &pData, D3DLOCK_DISCARD)) || !pData)
        return;
    SScreenVertex* v = reinterpret_cast<SScreenVertex*>(pData);
    InitVertex(&v[0], fX, fY, 0.0f, 0.0f, 0xFFFFFFFF);
    InitVertex(&v[1], fX, fY + 300.0f, 0.0f, 1.0f, 0xFFFFFFFF);
    InitVertex(&v[2], fX + 300.0f, fY, 1.0f, 0.0f, 0xFFFFFFFF);
    InitVertex(&v[3], fX + 300.0f, fY + 300.0f, 1.0f, 1.0f, 0xFFFFFFFF);
    m_pVertexBuffer->Unlock();
    m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

IDirect3DVertexBuffer8* CTextureFont::CreateTextBuffer(float fX, float fY, const char* szText,
                                                       D3DCOLOR dwColour) {
    if (!m_pDevice || !szText) return nullptr;  // no text to measure, no buffer
    const UINT nLength = UINT(std::strlen(szText));
    IDirect3DVertexBuffer8* pBuffer = nullptr;
    if (FAILED(m_pDevice->CreateVertexBuffer(nLength * 6 * kVertexStride, kBufferUsage,
                                             D3DFVF_SCREENVERTEX, D3DPOOL_DEFAULT, &pBuffer)))
        return nullptr;
    BYTE* pData = nullptr;
    if (SUCCEEDED(pBuffer->Lock(0, 0, &pData, D3DLOCK_DISCARD)) && pData) {
        SScreenVertex* pVertex = reinterpret_cast<SScreenVertex*>(pData);
        float fPenX = fX, fPenY = fY;
        for (const char* p = szText; *p; ++p) EmitChar(*p, &pVertex, fX, &fPenX, &fPenY, dwColour);
        pBuffer->Unlock();
    }
    return pBuffer;
}

void CTextureFont::DrawTextBuffer(IDirect3DVertexBuffer8* pBuffer, int nFirst, int nCount) {
    if (!m_pTexture || !pBuffer || !m_pDevice) return;
    m_pDevice->CaptureStateBlock(m_dwSavedBlock);
    m_pDevice->ApplyStateBlock(m_dwDrawBlock);
    m_pDevice->SetStreamSource(0, pBuffer, kVertexStride);
    m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, UINT(nFirst * 6), UINT(nCount * 2));
    m_pDevice->ApplyStateBlock(m_dwSavedBlock);
}

void CTextureFont::SafeRelease(IUnknown* pObject) {
    if (pObject) pObject->Release();
}
