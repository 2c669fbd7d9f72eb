// One frame of the game: a state machine over g_nGameState. Play runs only
// while playing; the world is drawn, the music kept going, the menus, the
// new-game reset, the quit request and the credits run in their states; then
// the screen texts, the 30 ms pacing and the wave clock.
#include "GameFrame.h"

#include "BlasterList.h"
#include "Camera.h"
#include "ExplosionList.h"
#include "FloatingTextList.h"
#include "GameGlobals.h"
#include "GameSound.h"
#include "Hud.h"
#include "Input.h"
#include "LightList.h"
#include "Menu.h"
#include "MeshObject.h"
#include "MissileList.h"
#include "ParticleSystem.h"
#include "PlayerShip.h"
#include "PowerUpList.h"
#include "RockField.h"
#include "ShipList.h"
#include "StarField.h"
#include "Timer.h"

#include <cstdlib>

int g_nGameState = GS_SHIPSELECT;
float g_fCameraZ = -100.0f;
float g_fWaveTime = 30.0f;
int g_nWave = 1;
int g_nRockSpawnBase = 75;
int g_nLastWave = 3;
int g_nCreditsFrames = 1000;
int g_nDeathFrames = 165;
float g_fWaveClock = 0.0f;
int g_nDeathCounter = 0;
int g_nMusicTrack = 0;
int g_nCreditsCounter = 0;
int g_bCreditsStarted = 0;

#define SHIP_LIGHT 1

static int KeyDown(int nKey) { return g_Input.m_Keyboard.KeyDown(nKey); }

static void Zoom() {
    if (KeyDown(DIK_EQUALS)) {
        g_fCameraZ += 10.0f;
        if (g_fCameraZ > 150.0f) g_fCameraZ = 150.0f;
    }
    if (KeyDown(DIK_MINUS)) {
        g_fCameraZ -= 10.0f;
        if (g_fCameraZ < -240.0f) g_fCameraZ = -240.0f;
    }
    if (KeyDown(DIK_HOME)) g_fCameraZ = -100.0f;
}

static void ShipLight(float fRange) {
    g_Lights.SetPointLight(SHIP_LIGHT, g_Ship.m_fX, g_Ship.m_fY, g_Ship.m_fZ, 1.0f, 0.0f, 0.0f,
                           fRange);
    g_Lights.Enable(SHIP_LIGHT);
}

// A counter that counts frames up to one past its delay and stays there.
static void CountUpTo(int* pnCounter, int nDelay) {
    (*pnCounter)++;
    if (*pnCounter > nDelay) *pnCounter = nDelay + 1;
}

static void FireBlaster() {
    CountUpTo(&g_Ship.m_nFireCounter, g_Ship.m_nFireDelay);
    const int keys[2] = {DIK_LCONTROL, DIK_RCONTROL};
    for (int nKey : keys) {
        if (!KeyDown(nKey) || g_Ship.m_nFireCounter <= g_Ship.m_nFireDelay) continue;
        ShipLight(75.0f);
        g_Ship.m_nFireCounter = 0;
        g_Blaster.Fire(g_Ship.m_fX, g_Ship.m_fY, g_Ship.m_fZ + 1.0f, g_Ship.m_fHeading - 90.0f,
                       3.0f, 120, g_Ship.m_nShotDamage);
        StartGameSound(g_nSndBlaster);
    }
    if (!KeyDown(DIK_LCONTROL) && !KeyDown(DIK_RCONTROL) && g_Ship.m_nShields >= 0)
        g_Lights.Disable(SHIP_LIGHT);
}

static void FireMissiles() {
    CountUpTo(&g_Ship.m_nMissileCounter, g_Ship.m_nMissileDelay);
    if (!KeyDown(DIK_SPACE) || g_Ship.m_nMissileCounter <= g_Ship.m_nMissileDelay ||
        g_Ship.m_nMissiles <= 0)
        return;
    g_Ship.m_nMissileCounter = 0;
    g_Ship.m_nMissiles -= 2;
    float fTarget = g_Ship.m_fHeading - 90.0f;
    if (fTarget < 0.0f) fTarget += 360.0f;
    float fSecond = g_Ship.m_fHeading - 180.0f;
    if (fSecond < 0.0f) fSecond += 360.0f;
    g_Missiles.Fire(g_Ship.m_fX, g_Ship.m_fY, g_Ship.m_fZ, g_Ship.m_fHeading, fTarget, 2.5f, 120,
                    100);
    g_Missiles.Fire(g_Ship.m_fX, g_Ship.m_fY, g_Ship.m_fZ, fSecond, fTarget, 2.5f, 120, 100);
}

// While the shields are below 0 the ship burns: one explosion near it a frame.
static void BurnShip() {
    ShipLight(100.0f);
    g_Ship.ClearShieldFlash();
    const float fSize = static_cast<float>(rand() % 5 + 1) / 10.0f;
    const float fAlpha = static_cast<float>(rand() % 10 + 1) / 10.0f;
    const float fZ = static_cast<float>(rand() % 30 + 250 - 15);
    const float fY = static_cast<float>(rand() % 20) + g_Ship.m_fY - 10.0f;
    const float fX = static_cast<float>(rand() % 20) + g_Ship.m_fX - 10.0f;
    g_Explosions.Spawn(fX, fY, fZ, fSize, fSize, D3DXCOLOR(1.0f, 1.0f, 1.0f, fAlpha));
    g_nDeathCounter++;
    if (g_nDeathCounter > g_nDeathFrames) {
        g_nDeathCounter = 0;
        g_nGameState = GS_MAINMENU;
    }
}

static void PickUp() {
    static const char* const texts[] = {"Shield BONUS", "Missle BONUS", "Speed BONUS ",
                                        "Blaster BONUS "};
    SPowerUp record;
    if (!g_PowerUps.CheckPickup(&g_Ship, &record, 1)) return;
    // Only the four known kinds have a text.
    if (record.m_nType < 0 || record.m_nType > 3) return;
    g_BonusText.Add(350.0f, 300.0f, texts[record.m_nType], D3DXCOLOR(0.0f, 1.0f, 0.0f, 1.0f), 50);
}

void Collide() {
    g_Rocks.CollideShip(&g_Ship, &g_Particles);
    if (g_Rocks.CollideShots(&g_Blaster, &g_Ship, &g_Particles, &g_PowerUps, &g_Explosions))
        StartGameSound(g_nSndExplosion);
    if (g_Rocks.CollideMissiles(&g_Missiles, &g_Ship, &g_Particles, &g_Explosions))
        StartGameSound(g_nSndExplosion);
}

// Every step runs, even when ESC or the ship's end changed the state midway.
void Play() {
    if (KeyDown(DIK_ESCAPE)) g_nGameState = GS_MAINMENU;
    Zoom();
    FlyShip(&g_Ship, KeyDown(DIK_RIGHT), KeyDown(DIK_LEFT), KeyDown(DIK_UP), KeyDown(DIK_DOWN),
            &g_Explosions);
    FireBlaster();
    FireMissiles();
    if (g_Ship.m_nShields < 0) BurnShip();
    PickUp();
    Collide();
    g_Rocks.Stream(&g_Ship, g_nRockSpawnBase, g_nWave, 350);
    g_Rocks.Update();
    g_Blaster.Update();
    g_Missiles.Update();
    if (g_nWave == g_nLastWave) g_nGameState = GS_CREDITS;
}

void FollowShip() {
    g_Camera.m_fX = g_Ship.m_fX;
    g_Camera.m_fY = g_Ship.m_fY;
    g_Camera.m_fZ = g_fCameraZ;
    g_Camera.LookAt(g_Ship.m_fX, g_Ship.m_fY, g_Ship.m_fZ);
    g_Camera.Update(g_App.m_pDevice, 0);
}

void DrawWorld() {
    g_Stars.UpdateAndDraw();
    g_Planet.m_fRotY += 1.0f;
    if (g_Planet.m_fRotY > 360.0f) g_Planet.m_fRotY = 0.0f;
    g_Planet.Draw(1);
    g_Rocks.Draw();
    g_Particles.Draw();
    g_Blaster.Draw();
    g_Missiles.Draw();
    g_BonusText.Draw();
    g_Explosions.Draw();
    g_PowerUps.Draw();
    g_Ship.UpdateAndDraw();
}

// When neither track plays, the other one starts. A track that did not load
// counts as silent and is skipped, so the one that did still plays.
void KeepMusicPlaying() {
    if (IsGameSoundPlaying(g_nSndMusic1) || IsGameSoundPlaying(g_nSndMusic2)) return;
    g_nMusicTrack++;
    if (g_nMusicTrack > 1) g_nMusicTrack = 0;
    StartGameSound(g_nMusicTrack == 0 ? g_nSndMusic1 : g_nSndMusic2);
}

static void RunCredits() {
    if (!g_bCreditsStarted) {
        g_bCreditsStarted = 1;
        g_fWaveClock = 0.0f;
        ClearCreditLines();
    }
    g_nCreditsCounter++;
    if (g_nCreditsCounter > g_nCreditsFrames) {
        g_nCreditsCounter = 0;
        NewGame();
        g_nGameState = GS_MAINMENU;
    }
    DrawCredits();
}

void AdvanceWaveClock() {
    if (g_nGameState == GS_PLAYING) g_fWaveClock += g_Timer.GetElapsedSeconds();
    if (g_fWaveTime - g_fWaveClock < 0.0f) {
        g_fWaveClock = 0.0f;
        g_nWave++;
    }
}

void GameFrame() {
    g_Timer.Start();
    g_Input.m_Keyboard.Update();
    if (g_nGameState == GS_PLAYING) Play();
    FollowShip();
    DrawWorld();
    KeepMusicPlaying();
    if (g_nGameState == GS_MAINMENU || g_nGameState == GS_SHIPSELECT) {
        g_nGameState = g_Menu.Update(g_nGameState, &g_ShipList, &g_Ship);
        if (g_Ship.m_nShields < 0 && g_nGameState == GS_PLAYING) g_nGameState = GS_MAINMENU;
    }
    if (g_nGameState == GS_QUIT) PostMessageA(g_hWnd, WM_QUIT, 0, 0);
    if (g_nGameState == GS_NEWGAME) {
        NewGame();
        g_nGameState = GS_SHIPSELECT;
    }
    if (g_nGameState == GS_CREDITS) RunCredits();
    if (g_nGameState != GS_CREDITS && g_nGameState != GS_SHIPSELECT) DrawHud();
    DrawDemoMark();
    g_Timer.WaitUntil(30);
    AdvanceWaveClock();
}
