// Rising texts: a fixed pool of short texts that move up one pixel per frame
// and vanish when their life runs out, drawn with the pool's own font. Two
// instances, g_BonusText and g_CreditsText (20 slots each).
#pragma once

#include "TextureFont.h"
#include "d3d8_api.h"

#define FLOATINGTEXT_LENGTH 40

struct SFloatingText {
    float m_fX;
    float m_fY;
    char m_szText[FLOATINGTEXT_LENGTH];  // at most 39 characters and the NUL
    D3DCOLOR m_Colour;
    int m_nLife;  // frames left; 0 = free slot
};

class CFloatingTextList {
public:
    explicit CFloatingTextList(int nCapacity);
    ~CFloatingTextList();

    HRESULT Init(IDirect3DDevice8* pDevice, const char* szFace, int nPoints);
    // 1, or 0 when every slot is in use.
    int Add(float fX, float fY, const char* szText, D3DCOLOR dwColour, int nLife);
    void Kill(int nIndex);
    void Update();
    void Draw();

    int m_nCount;
    SFloatingText* m_pTexts;
    CTextureFont m_Font;
    IDirect3DDevice8* m_pDevice;
};
