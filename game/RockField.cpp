#include "RockField.h"

#include "BlasterList.h"
#include "ExplosionList.h"
#include "MissileList.h"
#include "ParticleSystem.h"
#include "PlayerShip.h"
#include "PowerUpList.h"
#include "d3dx8_api.h"

#include <cmath>
#include <cstdlib>

namespace {

const float kPlaneZ = 250.0f;
const int kWaveSize = 100;
const float kBlastReach = 60.0f;
const int kShipCooldown = 10;
// Placing a rock gives up after this many rejected positions. With the
// game's distances a position is found within a few tries (a wave rejects
// about one point in thirty, the stream about four in five), so the bound is
// only reached when no position can satisfy the distance at all.
const int kPlacementTries = 1000;

// One draw of the C runtime's generator, 0 .. n - 1.
int R(int n) { return rand() % n; }

// Degrees to radians the way the game does it: in single precision, then
// widened for the library sine and cosine.
double Radians(int nDegrees) { return double(float(nDegrees) * 3.1415927f / 180.0f); }

// Distance in the play-field plane, stored as a float. The squares are summed
// in double so that tiny non-zero offsets never square to zero.
float PlaneDistance(float fX1, float fY1, float fX2, float fY2) {
    const double dx = double(fX1 - fX2);
    const double dy = double(fY1 - fY2);
    return float(std::sqrt(dx * dx + dy * dy));
}

// The mean of the three scale factors, summed and divided in single precision
// and stored as a float: three scales of 0.16 give just under 0.16.
float SizeFactor(const SRock& rock) {
    const float fSum = rock.m_fScaleX + rock.m_fScaleY + rock.m_fScaleZ;
    return fSum / 3.0f;
}

// Integer part of n x f. The product is taken in double: in single precision
// 25 x 0.159999996 rounds up to exactly 4, while the rock is worth 3.
int WholePart(double fMultiple, float fSize) { return int(fMultiple * double(fSize)); }

// (4 + R(6)) / 25: 0.16, 0.2, ... 0.36.
float DrawScale() { return float(4 + R(6)) / 25.0f; }

// A spark flying off in a random direction at up to one unit per frame:
// draws life, the angle and length of y, then the angle and length of x.
void AddSpark(CParticleSystem* pSparks, float fX, float fY, float fZ, int nLifeRange) {
    const int nLife = 10 + R(nLifeRange);
    const int a = R(360);
    const int m = R(5);
    const float fVelY = float(m * std::sin(Radians(a)) / 5.0);
    const int b = R(360);
    const int k = R(5);
    const float fVelX = float(k * std::cos(Radians(b)) / 5.0);
    pSparks->Add(fX, fY, fZ, fVelX, fVelY, nLife);
}

}  // namespace

CRockField::CRockField(int nCapacity)
    : m_nCount(nCapacity < 0 ? 0 : nCapacity),
      m_pRocks(nullptr),
      m_nStreamCounter(0),
      m_nStreamInterval(0),
      m_pDevice(nullptr) {
    // Every field of every record starts at zero, free slots included: the
    // cooldown count-down and the stream's cull walk free slots too.
    m_pRocks = new SRock[m_nCount + 1]();
}

CRockField::~CRockField() { delete[] m_pRocks; }

int CRockField::Load(IDirect3DDevice8* pDevice) {
    m_pDevice = pDevice;
    return m_Mesh.Load("media\\kelvane1.x", "media\\surface2.bmp", D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f),
                       pDevice, 0);
}

int CRockField::Add(float fX, float fY, float fZ, float fScaleX, float fScaleY, float fScaleZ,
                    float fVelX, float fVelY, int nHitPoints) {
    for (int i = 0; i < m_nCount; ++i) {
        SRock& rock = m_pRocks[i];
        if (rock.m_nHitPoints != 0) continue;
        rock.m_nHitPoints = nHitPoints;
        rock.m_fX = fX;
        rock.m_fY = fY;
        rock.m_fZ = fZ;
        rock.m_fSpinX = float(R(9) + 1) / 10.0f;
        rock.m_fSpinY = float(R(9) + 1) / 10.0f;
        rock.m_fSpinZ = float(R(9) + 1) / 10.0f;
        rock.m_fScaleX = fScaleX;
        rock.m_fScaleY = fScaleY;
        rock.m_fScaleZ = fScaleZ;
        rock.m_fVelX = fVelX;
        rock.m_fVelY = fVelY;
        rock.m_fMass = fScaleX + fScaleY + fScaleZ;
        rock.m_nHitCooldown = 0;
        // The rotation stays as the slot's last rock left it.
        return 1;
    }
    return 0;
}

void CRockField::SpawnWave(CPlayerShip* pShip, float fMinDist) {
    for (int n = 0; n < kWaveSize; ++n) {
        float fX = 0.0f, fY = 0.0f;
        int bPlaced = 0;
        for (int nTry = 0; nTry < kPlacementTries && !bPlaced; ++nTry) {
            fX = float(500 - R(1000));
            fY = float(500 - R(1000));
            bPlaced = PlaneDistance(fX, fY, pShip->m_fX, pShip->m_fY) >= fMinDist;
        }
        // No position far enough from the ship: this rock is left out and
        // the wave goes on with the next one.
        if (!bPlaced) continue;
        const int nHitPoints = 31 + R(30);
        const float fScaleZ = DrawScale();
        const float fScaleY = DrawScale();
        const float fScaleX = DrawScale();
        Add(fX, fY, kPlaneZ, fScaleX, fScaleY, fScaleZ, 0.0f, 0.0f, nHitPoints);
    }
}

void CRockField::Kill(int nIndex) {
    if (nIndex < 0 || nIndex >= m_nCount) return;
    m_pRocks[nIndex].m_nHitPoints = 0;
}

void CRockField::Clear() {
    for (int i = 0; i < m_nCount; ++i) m_pRocks[i].m_nHitPoints = 0;
}

void CRockField::Update() {
    for (int i = 0; i < m_nCount; ++i) {
        SRock& rock = m_pRocks[i];
        if (rock.m_nHitPoints != 0) {
            rock.m_fX += rock.m_fVelX;
            rock.m_fY += rock.m_fVelY;
            rock.m_fRotX += rock.m_fSpinX;
            rock.m_fRotY += rock.m_fSpinY;
            rock.m_fRotZ += rock.m_fSpinZ;
        }
        if (rock.m_nHitCooldown != 0) --rock.m_nHitCooldown;
    }
}

void CRockField::Draw() {
    int nSetUpTexture = 1;
    for (int i = 0; i < m_nCount; ++i) {
        const SRock& rock = m_pRocks[i];
        if (rock.m_nHitPoints == 0) continue;
        m_Mesh.m_fX = rock.m_fX;
        m_Mesh.m_fY = rock.m_fY;
        m_Mesh.m_fZ = rock.m_fZ;
        m_Mesh.m_fRotX = rock.m_fRotX;
        m_Mesh.m_fRotY = rock.m_fRotY;
        m_Mesh.m_fRotZ = rock.m_fRotZ;
        m_Mesh.m_fScaleX = rock.m_fScaleX;
        m_Mesh.m_fScaleY = rock.m_fScaleY;
        m_Mesh.m_fScaleZ = rock.m_fScaleZ;
        m_Mesh.Draw(nSetUpTexture);
        nSetUpTexture = 0;
    }
}

int CRockField::HitTest(float fX, float fY, int nMargin) {
    for (int i = 0; i < m_nCount; ++i) {
        const SRock& rock = m_pRocks[i];
        if (rock.m_nHitPoints == 0 || rock.m_nHitCooldown != 0) continue;
        const double fReach = double(nMargin) + 50.0 * double(SizeFactor(rock));
        // The distance is never below either coordinate's difference (each
        // step of PlaneDistance rounds to a value at least that large), so a
        // rock that far off along x or y is out of reach without the root.
        if (double(std::fabs(rock.m_fX - fX)) >= fReach || double(std::fabs(rock.m_fY - fY)) >= fReach) continue;
        if (fReach > double(PlaneDistance(rock.m_fX, rock.m_fY, fX, fY))) return i + 1;
    }
    return 0;
}

void CRockField::Stream(CPlayerShip* pShip, int nBase, int nWave, int nRadius) {
    m_nStreamInterval = nBase - nWave;
    const float fShipX = pShip->m_fX;
    const float fShipY = pShip->m_fY;

    ++m_nStreamCounter;
    if (m_nStreamCounter > m_nStreamInterval) {
        m_nStreamCounter = 0;
        float fX = 0.0f, fY = 0.0f, fDist = 0.0f;
        int bPlaced = 0;
        // A radius below 1 leaves no range to draw offsets from: no tries.
        const int nTries = nRadius >= 1 ? kPlacementTries : 0;
        for (int nTry = 0; nTry < nTries && !bPlaced; ++nTry) {
            fX = float(nRadius - R(2 * nRadius)) + fShipX;
            fY = float(nRadius - R(2 * nRadius)) + fShipY;
            fDist = PlaneDistance(fX, fY, fShipX, fShipY);
            bPlaced = !(fDist < float(nRadius));
        }
        // Without a position at the radius or beyond, this period brings no rock.
        if (bPlaced) {
            const float fVelX = -(fX - fShipX) / fDist;
            const float fVelY = -(fY - fShipY) / fDist;
            const int nHitPoints = 31 + R(30);
            const float fScaleZ = DrawScale();
            const float fScaleY = DrawScale();
            const float fScaleX = DrawScale();
            Add(fX, fY, kPlaneZ, fScaleX, fScaleY, fScaleZ, fVelX, fVelY, nHitPoints);
        }
    }

    const float fCull = float(2 * nRadius);
    for (int i = 0; i < m_nCount; ++i) {
        if (PlaneDistance(m_pRocks[i].m_fX, m_pRocks[i].m_fY, fShipX, fShipY) > fCull) Kill(i);
    }
}

void CRockField::CollideShip(CPlayerShip* pShip, CParticleSystem* pSparks) {
    const int nHit = HitTest(pShip->m_fX, pShip->m_fY, 10);
    if (nHit == 0) return;
    SRock& rock = m_pRocks[nHit - 1];

    rock.m_nHitCooldown = kShipCooldown;
    pShip->FlashShield();

    const float m1 = pShip->m_fMass;
    const float cX = pShip->m_fVelX, cY = pShip->m_fVelY;
    const float m2 = rock.m_fMass;
    const float vX = rock.m_fVelX, vY = rock.m_fVelY;

    // The contact normal points from the ship to the rock.
    const float fDist = PlaneDistance(rock.m_fX, rock.m_fY, pShip->m_fX, pShip->m_fY);
    float nX, nY;
    if (fDist > 0.0f) {
        nX = (rock.m_fX - pShip->m_fX) / fDist;
        nY = (rock.m_fY - pShip->m_fY) / fDist;
    } else {
        // The ship sits exactly on the rock's centre, so there is no direction
        // between them: take the one the ship is flying in (it ran into the
        // rock from behind that way), or +x when the ship is still.
        const float fSpeed = PlaneDistance(cX, cY, 0.0f, 0.0f);
        if (fSpeed > 0.0f) {
            nX = cX / fSpeed;
            nY = cY / fSpeed;
        } else {
            nX = 1.0f;
            nY = 0.0f;
        }
    }

    // The rock's own velocity along the normal is reversed and it takes the
    // ship's momentum; the ship gives up its momentum and takes the rock's.
    const float u = 2.0f * ((-vX) * nX + (-vY) * nY);
    rock.m_fVelX = (vX + nX * u) + (m1 * cX) / m2;
    rock.m_fVelY = (vY + nY * u) + (m1 * cY) / m2;
    pShip->m_fVelX += (m2 * vX - m1 * cX) / m1;
    pShip->m_fVelY += (m2 * vY - m1 * cY) / m1;

    for (int n = 0; n < 2; ++n) {
        const int nLife = 10 + R(20);
        const float fVelY = float(std::sin(Radians(R(360))));
        const float fVelX = float(std::cos(Radians(R(360))));
        pSparks->Add(rock.m_fX, rock.m_fY, rock.m_fZ - 5.0f, fVelX, fVelY, nLife);
    }

    // Worn down to nothing, the rock just leaves the field.
    rock.m_nHitPoints -= 5;
    if (rock.m_nHitPoints < 0) rock.m_nHitPoints = 0;

    pShip->m_nShields -= WholePart(10.0, SizeFactor(rock));
}

int CRockField::CollideShots(CBlasterList* pShots, CPlayerShip* pShip, CParticleSystem* pSparks,
                             CPowerUpList* pPowerUps, CExplosionList* pExplosions) {
    const D3DCOLOR dwSmoke = D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.3f);
    int nResult = 0;
    for (int s = 0; s < pShots->m_nCount; ++s) {
        const SBlasterShot& shot = pShots->m_pShots[s];
        if (shot.m_nLife == 0) continue;
        const int nHit = HitTest(shot.m_fX, shot.m_fY, 0);
        if (nHit == 0) continue;
        SRock& rock = m_pRocks[nHit - 1];

        const float fShotX = shot.m_fX, fShotY = shot.m_fY, fShotZ = shot.m_fZ;
        const float fShotVelX = shot.m_fVelX, fShotVelY = shot.m_fVelY;
        const int nDamage = shot.m_nDamage;
        pShots->Kill(s);

        for (int n = 0; n < 8; ++n) AddSpark(pSparks, fShotX, fShotY, fShotZ - 5.0f, 20);
        for (int n = 0; n < 3; ++n) {
            const int dz = R(6);
            const int dy = R(6);
            const int dx = R(6);
            pExplosions->Spawn(fShotX + float(dx - 3), fShotY + float(dy - 3), fShotZ + float(dz - 3),
                               0.3f, 0.3f, dwSmoke);
        }

        rock.m_fVelX += fShotVelX * pShip->m_fImpact / rock.m_fMass;
        rock.m_fVelY += fShotVelY * pShip->m_fImpact / rock.m_fMass;

        rock.m_nHitPoints -= nDamage;
        if (rock.m_nHitPoints > 0) continue;

        nResult = 1;
        if (R(30) == 0) pPowerUps->Spawn(rock.m_fX, rock.m_fY, rock.m_fZ, R(2));
        rock.m_nHitPoints = 0;

        // A fragment may take this very slot, so the parent is copied first.
        const SRock parent = rock;
        const float f = SizeFactor(parent);
        if (f > 0.15f) {
            for (int n = 0; n < 4; ++n) {
                const int nHitPoints = WholePart(25.0, f);
                const int a = R(360);
                const int p = 5 + R(5);
                const float fVelY = float(std::sin(Radians(a)) / p);
                const int b = R(360);
                const int q = 5 + R(5);
                const float fVelX = float(std::cos(Radians(b)) / q);
                Add(parent.m_fX, parent.m_fY, parent.m_fZ, parent.m_fScaleX / 2.0f,
                    parent.m_fScaleY / 2.0f, parent.m_fScaleZ / 2.0f, fVelX, fVelY, nHitPoints);
            }
        }
        pShip->m_nScore = int(double(pShip->m_nScore) + 25.0 * double(f));
        pExplosions->Spawn(fShotX, fShotY, fShotZ, 0.3f, 0.3f, dwSmoke);
    }
    return nResult;
}

int CRockField::CollideMissiles(CMissileList* pMissiles, CPlayerShip* pShip,
                                CParticleSystem* pSparks, CExplosionList* pExplosions) {
    int nResult = 0;
    for (int m = 0; m < pMissiles->m_nCount; ++m) {
        const SMissile& missile = pMissiles->m_pMissiles[m];
        if (missile.m_nLife == 0) continue;
        const int nHit = HitTest(missile.m_fX, missile.m_fY, 0);
        if (nHit == 0) continue;
        SRock& touched = m_pRocks[nHit - 1];
        const float fMX = missile.m_fX, fMY = missile.m_fY, fMZ = missile.m_fZ;

        nResult = 1;
        for (int n = 0; n < 50; ++n) AddSpark(pSparks, fMX, fMY, fMZ - 5.0f, 40);
        for (int n = 0; n < 15; ++n) {
            const float fSize = float(1 + R(5)) / 10.0f;
            const float fAlpha = float(1 + R(10)) / 10.0f;
            const float fZ = float(235 + R(30));
            const float fY = fMY + float(R(40) - 20);
            const float fX = fMX + float(R(40) - 20);
            pExplosions->Spawn(fX, fY, fZ, fSize, fSize, D3DXCOLOR(1.0f, 1.0f, 1.0f, fAlpha));
        }

        // The blast reaches every live rock, cooling down or not.
        const D3DCOLOR dwBlast = D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.4f);
        for (int i = 0; i < m_nCount; ++i) {
            const SRock& rock = m_pRocks[i];
            if (rock.m_nHitPoints == 0) continue;
            if (!(PlaneDistance(rock.m_fX, rock.m_fY, fMX, fMY) < kBlastReach)) continue;
            for (int n = 0; n < 50; ++n) AddSpark(pSparks, rock.m_fX, rock.m_fY, rock.m_fZ - 5.0f, 40);
            pShip->m_nScore = int(double(pShip->m_nScore) + 25.0 * double(SizeFactor(rock)));
            const float fSize = float(1 + R(5)) / 10.0f;
            const float fZ = rock.m_fZ + float(R(20) - 10);
            pExplosions->Spawn(rock.m_fX, rock.m_fY, fZ, fSize, fSize, dwBlast);
            Kill(i);
        }

        touched.m_nHitPoints -= missile.m_nDamage;
        if (touched.m_nHitPoints <= 0) touched.m_nHitPoints = 0;
        pMissiles->Kill(m);
    }
    return nResult;
}
