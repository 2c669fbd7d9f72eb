// The heads-up display, the "DEMO" mark and the credits roll.
#include "Hud.h"

#include "FloatingTextList.h"
#include "GameGlobals.h"
#include "PlayerShip.h"
#include "TextureFont.h"

#include <cstdio>

int g_bCreditTitleShown = 0;
int g_bCreditArtShown = 0;
int g_bCreditProgrammingShown = 0;
int g_bCreditSoundShown = 0;

static void DrawValue(float fX, float fY, const char* szLabel, int nValue, D3DCOLOR dwColour) {
    char szText[64];
    std::snprintf(szText, sizeof szText, "%s%d", szLabel, nValue);
    g_FontSmall.DrawText(fX, fY, szText, dwColour);
}

void DrawHud() {
    const D3DCOLOR dwBlue = D3DXCOLOR(0.0f, 0.0f, 1.0f, 0.5f);
    const D3DCOLOR dwMagenta = D3DXCOLOR(1.0f, 0.0f, 1.0f, 0.5f);
    DrawValue(0.0f, 585.0f, "Shields: ", g_Ship.m_nShields, dwBlue);
    DrawValue(0.0f, 570.0f, "Missles: ", g_Ship.m_nMissiles, dwMagenta);
    DrawValue(350.0f, 0.0f, "SCORE: ", g_Ship.m_nScore, dwMagenta);
    DrawValue(360.0f, 584.0f, "WAVE ", g_nWave, dwMagenta);
    char szText[64];
    std::snprintf(szText, sizeof szText, "Next Wave %d", static_cast<int>(g_fWaveTime - g_fWaveClock));
    g_FontSmall.DrawText(0.0f, 0.0f, szText, D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f));
}

void DrawDemoMark() { g_FontLarge.DrawText(670.0f, 568.0f, "DEMO", D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f)); }

void ClearCreditLines() {
    g_bCreditTitleShown = 0;
    g_bCreditArtShown = 0;
    g_bCreditProgrammingShown = 0;
    g_bCreditSoundShown = 0;
}

// Each line starts below the screen and rises one pixel a frame.
static void AddCreditLine(int* pbShown, const char* szLine) {
    *pbShown = 1;
    g_CreditsText.Add(0.0f, 620.0f, szLine, D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.5f), 650);
}

void DrawCredits() {
    if (!g_bCreditTitleShown) AddCreditLine(&g_bCreditTitleShown, "- CREDITS - ");
    if (!g_bCreditArtShown && g_nCreditsCounter > 30)
        AddCreditLine(&g_bCreditArtShown, "Art: Tamberlin ");
    if (!g_bCreditProgrammingShown && g_nCreditsCounter > 60)
        AddCreditLine(&g_bCreditProgrammingShown, "Programming: Tamberlin ");
    if (!g_bCreditSoundShown && g_nCreditsCounter > 90)
        AddCreditLine(&g_bCreditSoundShown, "SoundFX & Music: Tamberlin ");
    g_CreditsText.Draw();
}
