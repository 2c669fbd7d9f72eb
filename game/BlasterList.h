// The blaster shots: a fixed pool of straight-flying bolts drawn with one
// shared spinning mesh. One instance, g_Blaster (100 shots).
#pragma once

#include "MeshObject.h"
#include "d3d8_api.h"

struct SBlasterShot {
    float m_fX, m_fY, m_fZ;
    float m_fVelX, m_fVelY;
    float m_fHeading;  // degrees, 0 = +x, 90 = +y
    int m_nLife;       // updates left; 0 = free slot
    int m_nDamage;
};

class CBlasterList {
public:
    explicit CBlasterList(int nCapacity);
    ~CBlasterList();

    void Clear();
    int Load(IDirect3DDevice8* pDevice);
    // 1, or 0 when every shot is live.
    int Fire(float fX, float fY, float fZ, float fHeading, float fSpeed, int nLife, int nDamage);
    void Kill(int nIndex);
    void Update();
    void Draw();

    int m_nCount;
    SBlasterShot* m_pShots;
    float m_fSpin;
    CMeshObject m_Mesh;
    IDirect3DDevice8* m_pDevice;
};
