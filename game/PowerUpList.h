// Power-ups: spinning pick-ups left by destroyed rocks, a fixed pool drawn
// with one shared mesh. Picking one up applies its bonus to the ship at
// once. One instance, g_PowerUps (5 slots).
#pragma once

#include "MeshObject.h"
#include "d3d8_api.h"

class CPlayerShip;

#define POWERUP_SHIELD 0
#define POWERUP_MISSILE 1
#define POWERUP_SPEED 2
#define POWERUP_BLASTER 3

struct SPowerUp {
    float m_fX, m_fY, m_fZ;
    float m_fRotX, m_fRotY, m_fRotZ;
    int m_bActive;
    int m_nType;
};

class CPowerUpList {
public:
    explicit CPowerUpList(int nCapacity);
    ~CPowerUpList();

    int Load(IDirect3DDevice8* pDevice);
    // 1, or 0 when every slot is active.
    int Spawn(float fX, float fY, float fZ, int nType);
    void Kill(int nIndex);
    void Clear();
    void Update();
    void Draw();
    // 1 when the ship reached a power-up: its bonus is applied and its record
    // copied to pOut; 0 otherwise (pOut untouched).
    int CheckPickup(CPlayerShip* pShip, SPowerUp* pOut, int nMargin);

    int m_nCount;
    SPowerUp* m_pPowerUps;
    CMeshObject m_Mesh;
    IDirect3DDevice8* m_pDevice;
};
