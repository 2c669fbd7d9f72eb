// A textured quad cut out of a sprite sheet, drawn in one of three modes: an
// alpha-blended quad in screen pixels, a camera-facing quad in the world, or
// an opaque screen quad showing a texture the caller passes in. Its own
// texture is a copy of a BMP image in which every non-zero texel is opaque
// and zero texels stay transparent, so black areas are cut out.
#pragma once

#include "d3d8_api.h"
#include "d3dx8_api.h"

class CCamera;

#define SPRITE_SCREEN 0
#define SPRITE_BILLBOARD 1
#define SPRITE_OPAQUE 2

// Pre-transformed screen vertex, flexible vertex format 0x144, 28 bytes; the
// texture font draws with it too.
struct SScreenVertex {
    float x, y, z;
    float rhw;
    D3DCOLOR diffuse;
    float tu, tv;
};
#define D3DFVF_SCREENVERTEX (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1)
static_assert(sizeof(SScreenVertex) == 28, "the screen vertex stride is 28 bytes");

// World-space vertex of the billboard, flexible vertex format 0x142, 24 bytes.
struct SBillboardVertex {
    float x, y, z;
    D3DCOLOR diffuse;
    float tu, tv;
};
#define D3DFVF_BILLBOARDVERTEX (D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1)
static_assert(sizeof(SBillboardVertex) == 24, "the billboard vertex stride is 24 bytes");

class CSprite {
public:
    CSprite();
    ~CSprite();

    int Create(IDirect3DDevice8* pDevice, CCamera* pCamera, const char* szFile,
               int nTextureWidth, int nTextureHeight, int nColumns, int nRows, int nFrameWidth,
               int nFrameHeight, int nFrameCount, D3DCOLOR dwColour, int nMode);
    // ppTexture, when given, points to a texture that replaces the own one for
    // this draw (the only texture the opaque mode shows).
    void Draw(IDirect3DTexture8** ppTexture);
    // Rewrites the screen quad to show 0..u by 0..v of the texture, flipped
    // vertically (for frames that arrive bottom-up).
    void SetScreenQuadUV(float fU, float fV);

    IDirect3DTexture8* m_pTexture;
    IDirect3DVertexBuffer8* m_pVertexBuffer;
    float m_fX, m_fY, m_fZ;
    float m_fRotX, m_fRotY, m_fRotZ;
    float m_fScaleX, m_fScaleY, m_fScaleZ;
    int m_nFrameHeight;
    int m_nFrameWidth;
    int m_nColumns;
    int m_nRows;
    int m_nTextureHeight;
    int m_nTextureWidth;
    int m_nFrame;
    int m_nFrameCount;
    int m_nReserved;
    D3DCOLOR m_dwColour;
    int m_nMode;
    IDirect3DDevice8* m_pDevice;
    CCamera* m_pCamera;

    // Exposed for the owners' own arithmetic and for tests.
    float FrameX(int nFrame);
    float FrameY(int nFrame);

private:
    int CreateScreenQuad(const char* szFile);
    int CreateWorldQuad(const char* szFile);
    int BuildTexture(const char* szFile);
    int CopyOpaqueTexels(IDirect3DTexture8* pImage);
    void UpdateScreenQuad();
    void UpdateWorldUV();
    void DrawScreen(IDirect3DTexture8** ppTexture);
    void DrawBillboard(IDirect3DTexture8** ppTexture);
    void DrawOpaqueScreen(IDirect3DTexture8** ppTexture);
    IDirect3DTexture8* ChooseTexture(IDirect3DTexture8** ppTexture);
    void SetBlendStates();
    void FrameUV(float* pfLeft, float* pfTop, float* pfRight, float* pfBottom);
};
