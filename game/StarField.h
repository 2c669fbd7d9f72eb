// The star field: the background of every screen, a fixed set of small star
// sprites in screen pixels shifted against the camera's motion, each at its
// own rate, so the field seems deep. One instance, g_Stars (150 stars).
#pragma once

#include "Sprite.h"
#include "d3d8_api.h"

class CCamera;

struct SStar {
    float m_fX, m_fY;  // centre on the screen, pixels, y down
    float m_fZ;        // screen depth, 1.0
    float m_fSizeX, m_fSizeY;
    D3DCOLOR m_Colour;  // white, alpha = brightness
    int m_bActive;
    int m_nFrame;       // sheet frame 0..2
    float m_fParallax;  // pixels per world unit of camera motion, the brightness
};

class CStarField {
public:
    explicit CStarField(int nCapacity);
    ~CStarField();

    // 1, or 0 when the star sheet could not be made; the stars are placed
    // either way.
    int Load(IDirect3DDevice8* pDevice, CCamera* pCamera);
    // Places the stars again (a full field keeps them) and makes the next
    // draw ignore the camera's jump.
    void Scatter();
    // 1, or 0 when every record is in use.
    int Add(float fX, float fY, float fZ, float fSizeX, float fSizeY, float fParallax,
            D3DCOLOR dwColour);
    void Kill(int nIndex);
    void UpdateAndDraw();

    int m_nCount;
    SStar* m_pStars;
    CSprite m_Sprite;
    int m_bFirstFrame;
    IDirect3DDevice8* m_pDevice;
    CCamera* m_pCamera;
    float m_fLastCamX, m_fLastCamY;

private:
    void Fill();
};
