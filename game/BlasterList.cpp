#include "BlasterList.h"

#include "d3dx8_api.h"

#include <cmath>

CBlasterList::CBlasterList(int nCapacity) : m_nCount(nCapacity), m_fSpin(0.0f), m_pDevice(nullptr) {
    // Whole records start at zero: Update moves free records too, with their
    // velocity, so none of it may be left indeterminate.
    m_pShots = new SBlasterShot[nCapacity + 1]();
}

CBlasterList::~CBlasterList() {
    delete[] m_pShots;
    m_pShots = nullptr;
}

// Velocity, heading and damage stay; a free record is never drawn or hit.
void CBlasterList::Clear() {
    for (int i = 0; i < m_nCount; i++) {
        SBlasterShot& s = m_pShots[i];
        s.m_fX = 0.0f;
        s.m_fY = 0.0f;
        s.m_fZ = 0.0f;
        s.m_nLife = 0;
    }
}

int CBlasterList::Load(IDirect3DDevice8* pDevice) {
    m_pDevice = pDevice;
    return m_Mesh.Load("media\\blaster.x", "media\\blastersurf.bmp", D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f),
                       pDevice, 0);
}

int CBlasterList::Fire(float fX, float fY, float fZ, float fHeading, float fSpeed, int nLife,
                       int nDamage) {
    for (int i = 0; i < m_nCount; i++) {
        SBlasterShot& s = m_pShots[i];
        if (s.m_nLife != 0) continue;
        const float a = fHeading * 3.1415927f / 180.0f;
        s.m_nLife = nLife;
        s.m_fX = fX;
        s.m_fY = fY;
        s.m_fZ = fZ;
        s.m_fVelX = std::cos(a) * fSpeed;
        s.m_fVelY = std::sin(a) * fSpeed;
        s.m_fHeading = fHeading;
        s.m_nDamage = nDamage;
        return 1;
    }
    return 0;
}

void CBlasterList::Kill(int nIndex) {
    if (nIndex < 0 || nIndex >= m_nCount) return;
    m_pShots[nIndex].m_nLife = 0;
}

void CBlasterList::Update() {
    for (int i = 0; i < m_nCount; i++) {
        SBlasterShot& s = m_pShots[i];
        s.m_nLife = s.m_nLife > 0 ? s.m_nLife - 1 : 0;
        s.m_fX += s.m_fVelX;
        s.m_fY += s.m_fVelY;
    }
    m_fSpin += 5.0f;
    if (m_fSpin > 360.0f) m_fSpin = 0.0f;
}

// The first shot binds the mesh's texture; the rest draw with what it left.
void CBlasterList::Draw() {
    m_Mesh.m_fRotX = 270.0f;
    m_Mesh.m_fRotY = m_fSpin;
    int nSetUpTexture = 1;
    for (int i = 0; i < m_nCount; i++) {
        const SBlasterShot& s = m_pShots[i];
        if (s.m_nLife == 0) continue;
        m_Mesh.m_fX = s.m_fX;
        m_Mesh.m_fY = s.m_fY;
        m_Mesh.m_fZ = s.m_fZ;
        m_Mesh.m_fRotZ = s.m_fHeading + 90.0f;
        m_Mesh.m_fScaleX = 0.05f;
        m_Mesh.m_fScaleY = 0.05f;
        m_Mesh.m_fScaleZ = 0.05f;
        m_Mesh.Draw(nSetUpTexture);
        nSetUpTexture = 0;
    }
}
