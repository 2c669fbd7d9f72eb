// The game's long-lived objects, its sound slots and the variables of the
// game frame, all globals of the game's main module, and the game's four
// operations besides the frame.
#pragma once

#include "GraphicsApp.h"
#include "Timer.h"
#include "win32_api.h"

class CCamera;
class CInput;
class CRockField;
class CParticleSystem;
class CBlasterList;
class CMissileList;
class CPlayerShip;
class CTextureFont;
class CFloatingTextList;
class CExplosionList;
class CStarField;
class CLightList;
class CMenu;
class CPowerUpList;
class CShipList;
class CTextureRenderer;
class CSprite;
class CLoadScreen;
class CMeshObject;

// Game states, the values of g_nGameState (the menu returns them too).
#define GS_PLAYING 0
#define GS_MAINMENU 1
#define GS_NEWGAME 3
#define GS_CREDITS 4
#define GS_SHIPSELECT 5
#define GS_QUIT 100

// The objects, in the order they are built (g_App and g_Timer first, from
// the framework); they are destroyed in the reverse order.
extern CCamera g_Camera;
extern CInput g_Input;
extern CRockField g_Rocks;
extern CParticleSystem g_Particles;
extern CBlasterList g_Blaster;
extern CMissileList g_Missiles;
extern CPlayerShip g_Ship;
extern CTextureFont g_FontSmall, g_FontLarge;
extern CFloatingTextList g_BonusText, g_CreditsText;
extern CExplosionList g_Explosions;
extern CStarField g_Stars;
extern CLightList g_Lights;
extern CMenu g_Menu;
extern CPowerUpList g_PowerUps;
extern CShipList g_ShipList;
extern CTextureRenderer g_IntroVideo;
extern CSprite g_IntroSprite;
extern CLoadScreen g_LoadScreen;
extern CMeshObject g_Planet;

// Sound slots, -1 until loaded.
extern int g_nSndNewText;
extern int g_nSndExplosion;
extern int g_nSndBlaster;
extern int g_nSndMusic1;
extern int g_nSndMusic2;
extern int g_nSndEcho;

// The game frame's variables.
extern int g_nGameState;
extern float g_fCameraZ;
extern float g_fWaveTime;
extern int g_nWave;
extern int g_nRockSpawnBase;
extern int g_nLastWave;
extern int g_nCreditsFrames;
extern int g_nDeathFrames;
extern float g_fWaveClock;
extern int g_nDeathCounter;
extern int g_nMusicTrack;
extern int g_nCreditsCounter;
extern int g_bCreditsStarted;

// The credits lines already added in this credits run.
extern int g_bCreditTitleShown;
extern int g_bCreditArtShown;
extern int g_bCreditProgrammingShown;
extern int g_bCreditSoundShown;

int LoadSounds();
void NewGame();
// InitGame, GameFrame and ShutdownGame are declared with the entry point (WinMain.h).
