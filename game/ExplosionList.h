// Explosions: short six-frame effects played once from one sprite sheet on a
// shared camera-facing sprite. One instance, g_Explosions (50 slots).
#pragma once

#include "Sprite.h"
#include "d3d8_api.h"

class CCamera;

struct SExplosion {
    float m_fX, m_fY, m_fZ;
    float m_fSizeX, m_fSizeY;
    D3DCOLOR m_Colour;
    int m_bActive;
    int m_nFrame;  // sheet frame 0..5
    int m_nTick;   // game frames on the current sheet frame
};

class CExplosionList {
public:
    explicit CExplosionList(int nCapacity);
    ~CExplosionList();

    int Init(IDirect3DDevice8* pDevice, CCamera* pCamera);
    // 1, or 0 when every slot is playing.
    int Spawn(float fX, float fY, float fZ, float fSizeX, float fSizeY, D3DCOLOR dwColour);
    void Kill(int nIndex);
    void Update();
    void Draw();

    int m_nCount;
    SExplosion* m_pExplosions;
    CSprite m_Sprite;
};
