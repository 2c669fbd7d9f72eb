// The player's ship: position and velocity on the play-field plane, attitude,
// the handling values taken from the ship list, shields, weapon counters,
// score, the chosen model and the ship's own shield bubble. One instance,
// g_Ship. The game frame applies the flight rules (FlyShip) while playing.
#pragma once

#include "MeshObject.h"
#include "d3d8_api.h"

// The built-in handling values: the constructor's and Reset's, and what a
// ship-list record falls back to for a value it cannot use.
#define SHIP_DEFAULT_ACCEL 0.03f
#define SHIP_DEFAULT_TURN_RATE 3.5f
#define SHIP_DEFAULT_SHOT_DAMAGE 2
#define SHIP_DEFAULT_FIRE_DELAY 8

class CShipNode;
struct SShipRecord;
class CExplosionList;

class CPlayerShip {
public:
    CPlayerShip();
    ~CPlayerShip();

    // Writes the constructor's values again, except mass, impact, model and device.
    void Reset();
    // Keeps the device and loads the shield bubble; returns the mesh load's result.
    int LoadShield(IDirect3DDevice8* pDevice);
    // The model to draw and the four handling values of its record, each as
    // the record gives it unless the game cannot fly with it.
    void SetModel(CShipNode* pModel, SShipRecord* pRecord);
    void UpdateAndDraw();
    void FlashShield();
    void ClearShieldFlash();

    float m_fX, m_fY, m_fZ;
    float m_fVelX, m_fVelY;
    float m_fTilt;
    float m_fBank;
    float m_fHeading;
    float m_fMass;
    float m_fAccel;
    float m_fTurnRate;
    int m_nShields;
    int m_nFireDelay;
    int m_nFireCounter;
    float m_fImpact;
    int m_nMissileDelay;
    int m_nMissileCounter;
    int m_nMissiles;
    int m_nScore;
    int m_nExhaustCounter;
    int m_nExhaustPeriod;
    int m_nShotDamage;
    CShipNode* m_pModel;
    CMeshObject m_Shield;
    float m_fShieldSpin;
    float m_fShieldAlpha;
    int m_nShieldFlash;
    IDirect3DDevice8* m_pDevice;
};

// One playing frame of flight, in order: turn and bank (RIGHT, then LEFT, or
// the bank's return when neither is held), thrust (UP with its exhaust puffs
// into pExplosions, then DOWN), drag, and the move by the velocity.
void FlyShip(CPlayerShip* pShip, int bRight, int bLeft, int bUp, int bDown,
             CExplosionList* pExplosions);
