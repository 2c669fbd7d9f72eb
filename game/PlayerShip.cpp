#include "PlayerShip.h"

#include "ExplosionList.h"
#include "ShipList.h"

#include <climits>
#include <cmath>

namespace {

// A ship-list record's handling values are flown as the file gives them;
// only a value the game cannot fly with gives way to the built-in one, each
// value on its own.

// Thrust adds accel and the drag then multiplies the velocity by
// 1 - accel / 2 every frame. From 0 up to below 4 that factor lies in
// (-1, 1], so any pattern of thrust leaves the speed bounded (0 gives no
// thrust and no drag, from 2 the velocity flips sign every frame). Below 0
// the factor exceeds 1; at 4 it is -1, so thrust given every other frame, or
// while turning back and forth, adds up; above 4 it is below -1: in each
// case the speed grows without bound. (NaN fails both tests, and the
// infinities lie outside.)
float FlyableAccel(float fAccel) {
    return fAccel >= 0.0f && fAccel < 4.0f ? fAccel : SHIP_DEFAULT_ACCEL;
}

// Turning right wraps a heading below 0 to 360 and turning left one above
// 360 to 0, which keeps it within 0..360 for any rate of 0 or more. A
// negative rate walks the heading away from the side it wraps on, without
// bound. An infinite rate would keep the wrap too; it is refused like every
// value that is not a finite number.
float FlyableTurnRate(float fTurnRate) {
    return std::isfinite(fTurnRate) && fTurnRate >= 0.0f ? fTurnRate : SHIP_DEFAULT_TURN_RATE;
}

// A live rock has more than 0 hit points and a shot's damage is taken from
// them: any damage from 0 up leaves a result no lower than 1 - INT_MAX (and
// the score and the split go by the rock's size, not the damage). A negative
// damage adds to the hit points on every hit, with no cap, until they
// overflow.
int FlyableShotDamage(int nShotDamage) {
    return nShotDamage >= 0 ? nShotDamage : SHIP_DEFAULT_SHOT_DAMAGE;
}

// The fire counter is kept at most delay + 1 and counts one up every frame
// before it is capped again, so it reaches delay + 2: INT_MAX - 2 is the
// longest delay for which neither overflows. A negative delay overflows
// nothing (the counter stays between delay + 1 and 1) and lets a shot go
// every frame.
int FlyableFireDelay(int nFireDelay) {
    return nFireDelay <= INT_MAX - 2 ? nFireDelay : SHIP_DEFAULT_FIRE_DELAY;
}

}  // namespace

CPlayerShip::CPlayerShip() : m_fMass(1.0f), m_fImpact(0.01f), m_pModel(nullptr), m_pDevice(nullptr) {
    Reset();
}

CPlayerShip::~CPlayerShip() {}

void CPlayerShip::Reset() {
    m_fX = 0.0f;
    m_fY = 0.0f;
    m_fZ = 250.0f;  // the play-field plane
    m_fVelX = 0.0f;
    m_fVelY = 0.0f;
    m_fTilt = 270.0f;
    m_fBank = 0.0f;
    m_fHeading = 0.0f;
    m_fAccel = SHIP_DEFAULT_ACCEL;
    m_fTurnRate = SHIP_DEFAULT_TURN_RATE;
    m_nShields = 100;
    m_nFireDelay = SHIP_DEFAULT_FIRE_DELAY;
    m_nFireCounter = 0;
    m_nMissileDelay = 20;
    m_nMissileCounter = 0;
    m_nMissiles = 10;
    m_nScore = 0;
    m_nExhaustCounter = 0;
    m_nExhaustPeriod = 6;
    m_nShotDamage = SHIP_DEFAULT_SHOT_DAMAGE;
    m_fShieldSpin = 10.0f;
    m_fShieldAlpha = 0.0f;
    m_nShieldFlash = 0;
}

int CPlayerShip::LoadShield(IDirect3DDevice8* pDevice) {
    m_pDevice = pDevice;
    return m_Shield.Load("media\\shield.x", "media\\shield2.bmp",
                         D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.3f), m_pDevice, 0);
}

void CPlayerShip::SetModel(CShipNode* pModel, SShipRecord* pRecord) {
    m_pModel = pModel;
    // No model (an empty ship list): the built-in handling values stay.
    if (!pModel || !pRecord) return;
    m_fAccel = FlyableAccel(pRecord->m_fAccel);
    m_fTurnRate = FlyableTurnRate(pRecord->m_fTurnRate);
    m_nShotDamage = FlyableShotDamage(pRecord->m_nShotDamage);
    m_nFireDelay = FlyableFireDelay(pRecord->m_nFireDelay);
}

void CPlayerShip::UpdateAndDraw() {
    // A ship without a model is not seen, but its shield still works.
    if (m_pModel) {
        m_pModel->m_fX = m_fX;
        m_pModel->m_fY = m_fY;
        m_pModel->m_fZ = m_fZ;
        m_pModel->m_fRotX = m_fTilt;
        m_pModel->m_fRotY = m_fBank;
        m_pModel->m_fRotZ = m_fHeading;
        m_pModel->Draw(1);
    }

    m_Shield.m_fX = m_fX;
    m_Shield.m_fY = m_fY;
    m_Shield.m_fZ = m_fZ;
    m_Shield.m_fRotZ += m_fShieldSpin;

    // A hit brightens the bubble by 0.2 a frame up to 0.7 while the flash
    // lasts, and it fades by 0.05 every frame.
    if (m_nShieldFlash != 0) {
        m_nShieldFlash -= 1;
        m_fShieldAlpha += 0.2f;
        if (m_fShieldAlpha > 0.7f) m_fShieldAlpha = 0.7f;
    }
    m_fShieldAlpha -= 0.05f;
    if (m_fShieldAlpha < 0.0f) {
        m_fShieldAlpha = 0.0f;
        m_nShieldFlash = 0;
    }
    if (m_Shield.m_fRotZ > 360.0f) m_Shield.m_fRotZ = 0.0f;

    m_Shield.m_fScaleX = 0.8f;
    m_Shield.m_fScaleY = 0.8f;
    m_Shield.m_fScaleZ = 0.8f;
    m_Shield.SetColour(D3DXCOLOR(1.0f, 1.0f, 1.0f, m_fShieldAlpha));
    if (m_fShieldAlpha != 0.0f) m_Shield.Draw(1);
}

void CPlayerShip::FlashShield() {
    if (m_nShields >= 0) m_nShieldFlash = 20;  // a destroyed ship does not flash
}

void CPlayerShip::ClearShieldFlash() { m_nShieldFlash = 0; }

void FlyShip(CPlayerShip* pShip, int bRight, int bLeft, int bUp, int bDown,
             CExplosionList* pExplosions) {
    CPlayerShip& s = *pShip;

    // Turning wraps the heading to exactly 360 or exactly 0.
    if (bRight) {
        s.m_fHeading -= s.m_fTurnRate;
        if (s.m_fHeading < 0.0f) s.m_fHeading = 360.0f;
        if (s.m_fBank < 24.0f) s.m_fBank += 3.0f;
    }
    if (bLeft) {
        s.m_fHeading += s.m_fTurnRate;
        if (s.m_fHeading > 360.0f) s.m_fHeading = 0.0f;
        if (s.m_fBank > -24.0f) s.m_fBank -= 3.0f;
    }
    if (!bRight && !bLeft) {
        // The bank leans by 3 and returns by 2, so an odd bank rests at 1.
        if (s.m_fBank > 0.0f) s.m_fBank -= 2.0f;
        if (s.m_fBank < 0.0f) s.m_fBank += 2.0f;
    }

    // Thrust pushes along the heading as turned this frame, less 90 degrees.
    float fTheta = (s.m_fHeading - 90.0f) * 3.1415927f / 180.0f;
    if (bUp) {
        s.m_nExhaustCounter += 1;
        if (s.m_nExhaustCounter > s.m_nExhaustPeriod) {
            s.m_nExhaustCounter = 0;
            if (pExplosions)
                pExplosions->Spawn(s.m_fX, s.m_fY, s.m_fZ + 5.0f, 0.3f, 0.3f,
                                   D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.4f));
        }
        s.m_fVelX += std::cos(fTheta) * s.m_fAccel;
        s.m_fVelY += std::sin(fTheta) * s.m_fAccel;
    }
    if (bDown) {
        s.m_fVelX -= std::cos(fTheta) * s.m_fAccel;
        s.m_fVelY -= std::sin(fTheta) * s.m_fAccel;
    }

    // Drag on every playing frame: held thrust settles at 2 - accel.
    s.m_fVelX += -s.m_fVelX * s.m_fAccel / 2.0f;
    s.m_fVelY += -s.m_fVelY * s.m_fAccel / 2.0f;

    s.m_fX += s.m_fVelX;
    s.m_fY += s.m_fVelY;
}
