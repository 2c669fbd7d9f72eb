// The intro: the clip decoded into the renderer's texture, shown on one
// opaque full-screen sprite, with the echo sound over it.
#include "Intro.h"

#include "Camera.h"
#include "GameGlobals.h"
#include "GameSound.h"
#include "Input.h"
#include "Sprite.h"
#include "TextureRenderer.h"

// The intro handles no messages, but a request to close the window must not
// leave it waiting for a clip that never ends: the request stays queued for
// the main loop.
static int CloseRequested() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) ||
           PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
}

static void DrawIntroFrame() {
    g_App.BeginFrame();
    // The texture is larger than the frame: show only the frame's part of it.
    const float fU = static_cast<float>(static_cast<int>(g_IntroVideo.m_lVidWidth)) /
                     static_cast<float>(static_cast<int>(g_IntroVideo.m_nTexWidth));
    const float fV = static_cast<float>(static_cast<int>(g_IntroVideo.m_lVidHeight)) /
                     static_cast<float>(static_cast<int>(g_IntroVideo.m_nTexHeight));
    g_IntroSprite.SetScreenQuadUV(fU, fV);
    g_IntroSprite.Draw(&g_IntroVideo.m_pTexture);
    g_App.EndFrame();
}

int PlayIntro() {
    IDirect3DDevice8* pDevice = g_App.m_pDevice;
    g_IntroSprite.Create(pDevice, &g_Camera, "media\\loadscreen.bmp", 1024, 1024, 1, 1, 800, 600,
                         1, D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f), SPRITE_OPAQUE);
    g_IntroSprite.m_fX = 400.0f;
    g_IntroSprite.m_fY = 300.0f;
    if (FAILED(g_IntroVideo.OpenFile(pDevice, "video\\intro.avi"))) return 0;

    LoadSounds();
    SetGameSoundVolume(g_nSndEcho, 70);
    StartGameSound(g_nSndEcho);

    CKeyboard& keyboard = g_Input.m_Keyboard;
    for (;;) {
        if (g_IntroVideo.CheckFinished()) break;
        if (keyboard.KeyDown(DIK_ESCAPE)) break;
        if (CloseRequested()) break;
        keyboard.Update();
        DrawIntroFrame();
    }
    if (g_IntroVideo.m_pMC) g_IntroVideo.m_pMC->Stop();
    return 1;
}
