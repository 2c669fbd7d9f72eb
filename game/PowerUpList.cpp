#include "PowerUpList.h"

#include "PlayerShip.h"
#include "d3dx8_api.h"

#include <cmath>

namespace {

// Types outside the four named ones give nothing.
void ApplyBonus(CPlayerShip* pShip, int nType) {
    switch (nType) {
    case POWERUP_SHIELD:
        pShip->m_nShields += 20;
        break;
    case POWERUP_MISSILE:
        pShip->m_nMissiles += 4;
        break;
    case POWERUP_SPEED:
        pShip->m_fAccel += 0.03f;
        break;
    case POWERUP_BLASTER:
        if (pShip->m_nFireDelay > 3) pShip->m_nFireDelay -= 1;
        break;
    default:
        break;
    }
}

}  // namespace

CPowerUpList::CPowerUpList(int nCapacity) : m_nCount(nCapacity), m_pDevice(nullptr) {
    m_pPowerUps = new SPowerUp[nCapacity + 1]();
}

CPowerUpList::~CPowerUpList() {
    delete[] m_pPowerUps;
    m_pPowerUps = nullptr;
}

int CPowerUpList::Load(IDirect3DDevice8* pDevice) {
    m_pDevice = pDevice;
    return m_Mesh.Load("media\\powerup.x", "media\\powerup.bmp", D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f),
                       pDevice, 0);
}

int CPowerUpList::Spawn(float fX, float fY, float fZ, int nType) {
    for (int i = 0; i < m_nCount; i++) {
        SPowerUp& p = m_pPowerUps[i];
        if (p.m_bActive) continue;
        p.m_bActive = 1;
        p.m_nType = nType;
        p.m_fX = fX;
        p.m_fY = fY;
        p.m_fZ = fZ;
        p.m_fRotX = 0.0f;
        p.m_fRotY = 0.0f;
        p.m_fRotZ = 0.0f;
        return 1;
    }
    return 0;
}

void CPowerUpList::Kill(int nIndex) {
    if (nIndex < 0 || nIndex >= m_nCount) return;
    m_pPowerUps[nIndex].m_bActive = 0;
}

void CPowerUpList::Clear() {
    for (int i = 0; i < m_nCount; i++) m_pPowerUps[i].m_bActive = 0;
}

void CPowerUpList::Update() {
    for (int i = 0; i < m_nCount; i++) {
        SPowerUp& p = m_pPowerUps[i];
        if (!p.m_bActive) continue;
        p.m_fRotX += 8.0f;
        p.m_fRotY += 8.0f;
        p.m_fRotZ += 8.0f;
    }
}

// Spins first, so power-ups turn in every state; each one binds the texture.
void CPowerUpList::Draw() {
    Update();
    for (int i = 0; i < m_nCount; i++) {
        const SPowerUp& p = m_pPowerUps[i];
        if (!p.m_bActive) continue;
        m_Mesh.m_fX = p.m_fX;
        m_Mesh.m_fY = p.m_fY;
        m_Mesh.m_fZ = p.m_fZ;
        m_Mesh.m_fRotX = p.m_fRotX;
        m_Mesh.m_fRotY = p.m_fRotY;
        m_Mesh.m_fRotZ = p.m_fRotZ;
        m_Mesh.m_fScaleX = 0.3f;
        m_Mesh.m_fScaleY = 0.3f;
        m_Mesh.m_fScaleZ = 0.3f;
        m_Mesh.Draw(1);
    }
}

// The reach is the margin plus 50 times the mesh's mean scale as it stands;
// the distance counts x and y only and must be strictly below the reach.
int CPowerUpList::CheckPickup(CPlayerShip* pShip, SPowerUp* pOut, int nMargin) {
    const float fScale = (m_Mesh.m_fScaleX + m_Mesh.m_fScaleY + m_Mesh.m_fScaleZ) / 3.0f;
    const double dReach = nMargin + 50.0 * (double)fScale;
    for (int i = 0; i < m_nCount; i++) {
        const SPowerUp& p = m_pPowerUps[i];
        if (!p.m_bActive) continue;
        // Measured as the rocks' contact is: the squares summed in double,
        // the distance stored as a float.
        const double dDX = double(pShip->m_fX - p.m_fX);
        const double dDY = double(pShip->m_fY - p.m_fY);
        const float fDistance = float(std::sqrt(dDX * dDX + dDY * dDY));
        if (!(dReach > fDistance)) continue;
        Kill(i);
        ApplyBonus(pShip, p.m_nType);
        *pOut = p;
        return 1;
    }
    return 0;
}
