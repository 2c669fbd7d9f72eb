#include "MissileList.h"

#include "d3dx8_api.h"

#include <cmath>
#include <cstdlib>

namespace {

const int kGaveUp = 361;

// Whole-degree steps from h0 (one way, wrapping at 0/359) until the value
// equals the target; kGaveUp when 360 steps never meet it, as for a target
// with a fraction.
int StepsToTarget(int h0, float fTarget, int nStep) {
    int h = h0;
    for (int nSteps = 0; nSteps <= 360; nSteps++) {
        if ((float)h == fTarget) return nSteps;
        h += nStep;
        if (h > 359) h = 0;
        if (h < 0) h = 359;
    }
    return kGaveUp;
}

float TurnUp(float fHeading) {
    fHeading += 6.0f;
    if (fHeading > 359.0f) fHeading = 0.0f;
    return fHeading;
}

float TurnDown(float fHeading) {
    fHeading -= 6.0f;
    if (fHeading < 0.0f) fHeading = 359.0f;
    return fHeading;
}

// Six degrees toward the target the shorter way round; both ways equally
// long (opposite, or a target no whole degree meets) turn up. The heading's
// fraction is kept, so a missile settles only when its whole part can meet
// the target.
float Turn(float fHeading, float fTarget) {
    // A heading no whole degree can stand for (not finite, or far outside a
    // turn) is left as it is rather than converted to an int it does not fit.
    if (!(fHeading > -1.0e6f && fHeading < 1.0e6f)) return fHeading;
    const int h0 = (int)fHeading;
    const int j = StepsToTarget(h0, fTarget, 1);
    const int k = StepsToTarget(h0, fTarget, -1);
    if (j < k && j > 0) return TurnUp(fHeading);
    if (k < j && k > 0) return TurnDown(fHeading);
    if (j == k && j > 0) return TurnUp(fHeading);
    return fHeading;
}

}  // namespace

CMissileList::CMissileList(int nCapacity) : m_nCount(nCapacity), m_fSpin(0.0f), m_pDevice(nullptr) {
    // Whole records start at zero: Update turns and moves free records too,
    // and the turn converts the heading to an int.
    m_pMissiles = new SMissile[nCapacity + 1]();
}

CMissileList::~CMissileList() {
    delete[] m_pMissiles;
    m_pMissiles = nullptr;
}

void CMissileList::Clear() {
    for (int i = 0; i < m_nCount; i++) {
        SMissile& m = m_pMissiles[i];
        m.m_fX = 0.0f;
        m.m_fY = 0.0f;
        m.m_fZ = 0.0f;
        m.m_nLife = 0;
    }
}

void CMissileList::Load(IDirect3DDevice8* pDevice) {
    m_pDevice = pDevice;
    m_Mesh.Load("media\\missle1.x", "media\\surface1.bmp", D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f), pDevice,
                0);
    m_Trail.Create(100, pDevice, D3DXCOLOR(1.0f, 0.0f, 0.0f, 0.5f));
}

int CMissileList::Fire(float fX, float fY, float fZ, float fHeading, float fTargetHeading, float fSpeed,
                       int nLife, int nDamage) {
    for (int i = 0; i < m_nCount; i++) {
        SMissile& m = m_pMissiles[i];
        if (m.m_nLife != 0) continue;
        m.m_nLife = nLife;
        m.m_fX = fX;
        m.m_fY = fY;
        m.m_fZ = fZ;
        m.m_fHeading = fHeading;
        m.m_fTargetHeading = fTargetHeading;
        m.m_nDamage = nDamage;
        m.m_fSpeed = fSpeed;
        return 1;
    }
    return 0;
}

void CMissileList::Kill(int nIndex) {
    if (nIndex < 0 || nIndex >= m_nCount) return;
    m_pMissiles[nIndex].m_nLife = 0;
}

void CMissileList::Update() {
    for (int i = 0; i < m_nCount; i++) {
        SMissile& m = m_pMissiles[i];
        m.m_fHeading = Turn(m.m_fHeading, m.m_fTargetHeading);
    }
    for (int i = 0; i < m_nCount; i++) {
        SMissile& m = m_pMissiles[i];
        m.m_nLife = m.m_nLife > 0 ? m.m_nLife - 1 : 0;
        const float a = m.m_fHeading * 3.1415927f / 180.0f;
        m.m_fX += std::cos(a) * m.m_fSpeed;
        m.m_fY += std::sin(a) * m.m_fSpeed;
    }
    m_fSpin += 15.0f;
    if (m_fSpin > 360.0f) m_fSpin = 0.0f;
}

// Each live missile puffs one trail particle and is drawn; the first binds
// the mesh's texture. The trail is drawn last.
void CMissileList::Draw() {
    m_Mesh.m_fRotX = 270.0f;
    m_Mesh.m_fRotY = m_fSpin;
    int nSetUpTexture = 1;
    for (int i = 0; i < m_nCount; i++) {
        const SMissile& m = m_pMissiles[i];
        if (m.m_nLife == 0) continue;
        const int r1 = rand() % 360;
        const int r2 = rand() % 360;
        m_Trail.Add(m.m_fX, m.m_fY, m.m_fZ, std::cos(r2 * 3.1415927f / 180.0f) / 2.0f,
                    std::sin(r1 * 3.1415927f / 180.0f) / 2.0f, 10);
        m_Mesh.m_fX = m.m_fX;
        m_Mesh.m_fY = m.m_fY;
        m_Mesh.m_fZ = m.m_fZ;
        m_Mesh.m_fRotZ = m.m_fHeading + 90.0f;
        m_Mesh.m_fScaleX = 0.2f;
        m_Mesh.m_fScaleY = 0.2f;
        m_Mesh.m_fScaleZ = 0.1f;
        m_Mesh.Draw(nSetUpTexture);
        nSetUpTexture = 0;
    }
    m_Trail.Draw();
}
