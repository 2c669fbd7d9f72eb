// The loading screen: a full-screen picture, a half-transparent panel over
// its centre and one half-transparent square per finished loading step, in a
// row along the panel's bottom edge. One instance, g_LoadScreen.
#pragma once

#include "Sprite.h"
#include "d3d8_api.h"

class CCamera;

class CLoadScreen {
public:
    CLoadScreen();
    ~CLoadScreen();

    // 1 when all three pictures were made, 0 when any of them failed.
    int Init(IDirect3DDevice8* pDevice, CCamera* pCamera, const char* szBackground,
             const char* szPanel, const char* szIndicator);
    // One picture of the screen; the caller begins and ends the scene and
    // presents it.
    void Draw(int nSteps, int nTotal);

    CSprite m_Background;
    CSprite m_Bar;
    CSprite m_Indicator;
    IDirect3DDevice8* m_pDevice;
    CCamera* m_pCamera;
};
