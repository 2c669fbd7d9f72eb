// The rock field: up to m_nCount drifting rocks on the play-field plane
// z = 250, drawn with one shared mesh. It scatters the waves, streams rocks
// in around the ship, moves them, culls those far behind, and resolves the
// ship's, the shots' and the missiles' contacts with them. One instance,
// g_Rocks (1000 slots).
#pragma once

#include "MeshObject.h"
#include "d3d8_api.h"

class CPlayerShip;
class CParticleSystem;
class CBlasterList;
class CMissileList;
class CPowerUpList;
class CExplosionList;

struct SRock {
    float m_fX, m_fY, m_fZ;
    float m_fRotX, m_fRotY, m_fRotZ;
    float m_fScaleX, m_fScaleY, m_fScaleZ;
    float m_fSpinX, m_fSpinY, m_fSpinZ;
    float m_fVelX, m_fVelY;
    float m_fMass;
    int m_nHitCooldown;
    int m_nHitPoints;  // 0 = free slot
};

class CRockField {
public:
    explicit CRockField(int nCapacity);
    ~CRockField();

    int Load(IDirect3DDevice8* pDevice);
    // 1, or 0 when no slot is free.
    int Add(float fX, float fY, float fZ, float fScaleX, float fScaleY, float fScaleZ,
            float fVelX, float fVelY, int nHitPoints);
    void SpawnWave(CPlayerShip* pShip, float fMinDist);
    void Kill(int nIndex);
    void Clear();
    void Update();
    void Draw();
    // Index + 1 of the first rock in reach of (fX, fY), or 0.
    int HitTest(float fX, float fY, int nMargin);
    void Stream(CPlayerShip* pShip, int nBase, int nWave, int nRadius);
    void CollideShip(CPlayerShip* pShip, CParticleSystem* pSparks);
    // 1 when at least one rock was destroyed.
    int CollideShots(CBlasterList* pShots, CPlayerShip* pShip, CParticleSystem* pSparks,
                     CPowerUpList* pPowerUps, CExplosionList* pExplosions);
    // 1 when at least one missile hit.
    int CollideMissiles(CMissileList* pMissiles, CPlayerShip* pShip, CParticleSystem* pSparks,
                        CExplosionList* pExplosions);

    int m_nCount;
    SRock* m_pRocks;
    CMeshObject m_Mesh;
    int m_nStreamCounter;
    int m_nStreamInterval;
    IDirect3DDevice8* m_pDevice;
};
