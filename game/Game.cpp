// The game's long-lived objects, and the start-up, shut-down and new-game
// reset that bring them up and down.
#include "GameGlobals.h"

#include "BlasterList.h"
#include "Camera.h"
#include "ExplosionList.h"
#include "FloatingTextList.h"
#include "GameSound.h"
#include "Input.h"
#include "Intro.h"
#include "LightList.h"
#include "LoadScreen.h"
#include "Menu.h"
#include "MeshObject.h"
#include "MissileList.h"
#include "ParticleSystem.h"
#include "PlayerShip.h"
#include "PowerUpList.h"
#include "RockField.h"
#include "ShipList.h"
#include "SoundBank.h"
#include "Sprite.h"
#include "StarField.h"
#include "TextureFont.h"
#include "TextureRenderer.h"
#include "WinMain.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

// Built in this order, after the framework's g_App and g_Timer (which carry
// the priorities just below this one), and destroyed in the reverse order:
// g_Planet first, g_App last.
#define GAME_OBJECT __attribute__((init_priority(1003)))

GAME_OBJECT CCamera g_Camera;
GAME_OBJECT CInput g_Input;
GAME_OBJECT CRockField g_Rocks(1000);
GAME_OBJECT CParticleSystem g_Particles;
GAME_OBJECT CBlasterList g_Blaster(100);
GAME_OBJECT CMissileList g_Missiles(20);
GAME_OBJECT CPlayerShip g_Ship;
GAME_OBJECT CTextureFont g_FontSmall, g_FontLarge;
GAME_OBJECT CFloatingTextList g_BonusText(20), g_CreditsText(20);
GAME_OBJECT CExplosionList g_Explosions(50);
GAME_OBJECT CStarField g_Stars(150);
GAME_OBJECT CLightList g_Lights(4);
GAME_OBJECT CMenu g_Menu;
GAME_OBJECT CPowerUpList g_PowerUps(5);
GAME_OBJECT CShipList g_ShipList;
GAME_OBJECT CTextureRenderer g_IntroVideo;
GAME_OBJECT CSprite g_IntroSprite;
GAME_OBJECT CLoadScreen g_LoadScreen;
GAME_OBJECT CMeshObject g_Planet;

int g_nSndNewText = -1;
int g_nSndExplosion = -1;
int g_nSndBlaster = -1;
int g_nSndMusic1 = -1;
int g_nSndMusic2 = -1;
int g_nSndEcho = -1;

#define LOADING_STEPS 13
#define SOUND_FLAGS (DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME)

static const D3DCOLOR WHITE = D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f);

int LoadSounds() {
    struct SSoundFile {
        const char* szName;
        int* pnSlot;
    };
    static const SSoundFile files[] = {
        {"SOUND/newtext.WAV", &g_nSndNewText}, {"SOUND/exp1.WAV", &g_nSndExplosion},
        {"SOUND/blasters.WAV", &g_nSndBlaster}, {"SOUND/love.WAV", &g_nSndMusic1},
        {"SOUND/dominos.WAV", &g_nSndMusic2},   {"SOUND/echo.WAV", &g_nSndEcho},
    };
    for (const SSoundFile& file : files) {
        *file.pnSlot = LoadSound(file.szName, SOUND_FLAGS);
        if (*file.pnSlot == -1) return 0;  // the sound bank has said why
    }
    return 1;
}

// What a failed start-up created is let go of before the program ends.
static void ReleaseStartup() {
    ShutdownSound();
    g_Input.m_Keyboard.Release();
    g_Input.m_Mouse.Release();
    g_Input.Release();
    g_App.ReleaseDevice();
}

static void LoadingFrame(int nStep) {
    g_App.BeginFrame();
    g_LoadScreen.Draw(nStep, LOADING_STEPS);
    g_App.EndFrame();
}

static void LoadStep(int nStep, IDirect3DDevice8* pDevice) {
    switch (nStep) {
    case 1:
        g_Particles.Create(1000, pDevice, D3DXCOLOR(0.6f, 0.6f, 0.6f, 0.5f));
        break;
    case 2:
        g_Blaster.Load(pDevice);
        break;
    case 3:
        g_ShipList.SetDevice(pDevice);
        g_ShipList.ReadFile("media\\default.msl");
        g_ShipList.LoadMeshes();
        g_Ship.LoadShield(pDevice);
        g_Ship.SetModel(g_ShipList.GetAt(0), &g_ShipList.m_Records[0]);
        break;
    case 4:
        g_Missiles.Load(pDevice);
        break;
    case 5:
        g_FontSmall.Create(pDevice, "Carolingia", 16);
        g_FontLarge.Create(pDevice, "Carolingia", 32);
        break;
    case 6:
        g_Menu.Init(pDevice, &g_Camera, &g_Input);
        break;
    case 7:
        g_BonusText.Init(pDevice, "Arial", 10);
        g_CreditsText.Init(pDevice, "Arial", 20);
        break;
    case 8:
        g_Explosions.Init(pDevice, &g_Camera);
        break;
    case 9:
        g_Stars.Load(pDevice, &g_Camera);
        break;
    case 10:
        g_Lights.SetDevice(pDevice);
        g_Lights.SetPointLight(1, g_Ship.m_fX, g_Ship.m_fY, g_Ship.m_fZ, 1.0f, 0.0f, 0.0f, 50.0f);
        break;
    case 11:
        g_Rocks.Load(pDevice);
        g_Rocks.SpawnWave(&g_Ship, 100.0f);
        break;
    case 12:
        g_Planet.Load("media\\planet1.x", "media\\planetskin1.bmp", WHITE, pDevice, 0);
        g_Planet.m_fZ = 350.0f;
        g_PowerUps.Load(pDevice);
        break;
    case 13:
        SetGameSoundVolume(g_nSndMusic1, 70);
        break;
    }
}

int InitGame() {
    ShowCursor(FALSE);
    g_App.CreateD3D();
    D3DDISPLAYMODE mode = {800, 600, 60, D3DFMT_A8R8G8B8};
    if (!g_App.InitFullscreen(&mode, D3DDEVTYPE_HAL, g_hWnd)) {
        std::fprintf(stderr, "rockshooter: no full-screen 800x600 device could be made\n");
        return 0;
    }
    IDirect3DDevice8* pDevice = g_App.m_pDevice;
    g_App.SetDefaultRenderStates();
    g_Camera.Init(pDevice, g_hWnd);
    InitSound();
    g_Input.Create(&g_hInstance, &g_hWnd);
    g_Input.m_Keyboard.Create(&g_hInstance, &g_hWnd, &g_Input.m_pDI);
    g_Input.m_Mouse.Create(&g_hInstance, &g_hWnd, &g_Input.m_pDI);
    g_App.SetDefaultLight();

    if (!PlayIntro()) {
        std::fprintf(stderr, "rockshooter: start-up stopped: the intro video video/intro.avi cannot be played\n");
        ReleaseStartup();
        return 0;
    }

    g_LoadScreen.Init(pDevice, &g_Camera, "media\\loadscreen.bmp", "media\\loading.bmp",
                      "media\\indicator.bmp");
    for (int nStep = 1; nStep <= LOADING_STEPS; nStep++) {
        LoadStep(nStep, pDevice);
        LoadingFrame(nStep);
    }

    // Seeded only now: the first star field and the first wave are the same in every run.
    srand(static_cast<unsigned>(time(nullptr)));
    g_Timer.Start();
    g_Timer.WaitUntil(2000);
    return 1;
}

void ShutdownGame() {
    ShutdownSound();
    g_Input.m_Keyboard.Release();
    g_Input.m_Mouse.Release();
    g_Input.Release();
    g_Particles.Release();
    g_FontSmall.Release();
    g_App.OnDeleteDeviceObjects();
    g_App.ReleaseDevice();
    g_App.OnFinalCleanup();
}

void NewGame() {
    g_nWave = 1;
    g_fWaveClock = 0.0f;
    g_bCreditsStarted = 0;
    g_Stars.Scatter();
    g_Ship.Reset();
    g_Rocks.Clear();
    g_Blaster.Clear();
    g_Missiles.Clear();
    g_PowerUps.Clear();
    g_Rocks.SpawnWave(&g_Ship, 100.0f);
}
