// The missiles: a fixed pool of missiles that turn 6 degrees per update
// toward the heading they were fired for, drawn with one shared mesh and a
// red smoke trail. One instance, g_Missiles (20 missiles).
#pragma once

#include "MeshObject.h"
#include "ParticleSystem.h"
#include "d3d8_api.h"

struct SMissile {
    float m_fX, m_fY, m_fZ;
    float m_fHeading;        // degrees, 0 = +x, 90 = +y
    float m_fTargetHeading;  // fixed when fired
    int m_nLife;             // updates left; 0 = free slot
    int m_nDamage;
    float m_fSpeed;
};

class CMissileList {
public:
    explicit CMissileList(int nCapacity);
    ~CMissileList();

    void Clear();
    void Load(IDirect3DDevice8* pDevice);
    // 1, or 0 when every missile is live.
    int Fire(float fX, float fY, float fZ, float fHeading, float fTargetHeading, float fSpeed,
             int nLife, int nDamage);
    void Kill(int nIndex);
    void Update();
    void Draw();

    int m_nCount;
    SMissile* m_pMissiles;
    float m_fSpin;
    CMeshObject m_Mesh;
    CParticleSystem m_Trail;
    IDirect3DDevice8* m_pDevice;
};
