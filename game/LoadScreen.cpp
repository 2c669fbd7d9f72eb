#include "LoadScreen.h"

#include "d3dx8_api.h"

namespace {

// The row of squares starts at the panel's left side, on its bottom edge, and
// spreads the panel's 256 pixels over the step total.
const int kRowLeft = 280;
const int kRowWidth = 256;
const float kRowY = 428.0f;

}  // namespace

CLoadScreen::CLoadScreen() : m_pDevice(nullptr), m_pCamera(nullptr) {}

CLoadScreen::~CLoadScreen() {}

// Every picture is attempted even when an earlier one failed; a failed one
// draws nothing.
int CLoadScreen::Init(IDirect3DDevice8* pDevice, CCamera* pCamera, const char* szBackground,
                      const char* szPanel, const char* szIndicator) {
    m_pDevice = pDevice;
    m_pCamera = pCamera;

    int nBackground = m_Background.Create(pDevice, pCamera, szBackground, 1024, 1024, 1, 1, 800,
                                          600, 1, D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f),
                                          SPRITE_SCREEN);
    m_Background.m_fX = 400.0f;
    m_Background.m_fY = 300.0f;

    int nPanel = m_Bar.Create(pDevice, pCamera, szPanel, 256, 256, 1, 1, 256, 256, 1,
                              D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.5f), SPRITE_SCREEN);
    m_Bar.m_fX = 400.0f;
    m_Bar.m_fY = 300.0f;

    int nIndicator = m_Indicator.Create(pDevice, pCamera, szIndicator, 16, 16, 1, 1, 16, 16, 1,
                                        D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.5f), SPRITE_SCREEN);

    return nBackground && nPanel && nIndicator ? 1 : 0;
}

// One square for each step done, at a spacing of a whole number of pixels
// (19 for 13 steps); steps past the total carry the row on to the right.
// Without a positive total there is no row to spread.
void CLoadScreen::Draw(int nSteps, int nTotal) {
    m_Background.Draw(nullptr);
    m_Bar.Draw(nullptr);
    if (nTotal < 1) return;
    int nSpacing = kRowWidth / nTotal;
    for (int i = 0; i < nSteps; i++) {
        m_Indicator.m_fX = (float)(nSpacing * i + kRowLeft);
        m_Indicator.m_fY = kRowY;
        m_Indicator.Draw(nullptr);
    }
}
