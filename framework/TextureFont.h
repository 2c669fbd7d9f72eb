// Text drawn without a font object of the graphics library: at creation the
// 95 printable ASCII characters are rasterised with GDI into a square texture
// (A = R = G = B = coverage) and their cells noted; drawing writes two screen
// triangles per character into a dynamic vertex buffer and draws them, 100
// characters a call. Two state blocks keep the caller's render states: one
// holds the font's, the other saves the caller's values around the draw.
#pragma once

#include "Sprite.h"
#include "d3d8_api.h"

struct SGlyphUV {
    float m_fLeft;
    float m_fTop;
    float m_fRight;
    float m_fBottom;
};

class CTextureFont {
public:
    CTextureFont();
    virtual ~CTextureFont();

    HRESULT Create(IDirect3DDevice8* pDevice, const char* szFace, int nPoints);
    void DrawText(float fX, float fY, const char* szText, D3DCOLOR dwColour);
    void Release();

    void EmitChar(char c, SScreenVertex** ppVertex, float fStartX, float* pfX, float* pfY,
                  D3DCOLOR dwColour);
    void InitVertex(SScreenVertex* pVertex, float fX, float fY, float fU, float fV,
                    D3DCOLOR dwColour);

    void DrawTexturePreview(float fX, float fY);
    IDirect3DVertexBuffer8* CreateTextBuffer(float fX, float fY, const char* szText,
                                             D3DCOLOR dwColour);
    void DrawTextBuffer(IDirect3DVertexBuffer8* pBuffer, int nFirst, int nCount);
    void SafeRelease(IUnknown* pObject);

    // The vertex buffer lives in the default pool: it is let go of before a
    // device reset and made again after it (with the state blocks that name it).
    void InvalidateDeviceObjects();
    HRESULT RestoreDeviceObjects();

    int m_nTexSize;
    SGlyphUV m_Glyphs[96];
    IDirect3DTexture8* m_pTexture;
    IDirect3DVertexBuffer8* m_pVertexBuffer;
    IDirect3DDevice8* m_pDevice;
    DWORD m_dwDrawBlock;
    DWORD m_dwSavedBlock;

private:
    HRESULT BuildTexture(const char* szFace, int nPoints);
    HRESULT CreateBufferAndBlocks();
    void DeleteBlocks();
};

// Characters per draw call and the vertex buffer that holds them.
#define TEXTFONT_BATCH_CHARS 100
#define TEXTFONT_BATCH_VERTICES (TEXTFONT_BATCH_CHARS * 6)
