#include "StarField.h"

#include "Camera.h"
#include "d3dx8_api.h"

#include <cstdlib>

namespace {

const float kScreenWidth = 800.0f;
const float kScreenHeight = 600.0f;

}  // namespace

// The records start zeroed, so a free record holds nothing undefined. A
// negative capacity counts as none.
CStarField::CStarField(int nCapacity)
    : m_nCount(nCapacity > 0 ? nCapacity : 0), m_pStars(nullptr), m_bFirstFrame(1),
      m_pDevice(nullptr), m_pCamera(nullptr), m_fLastCamX(0.0f), m_fLastCamY(0.0f) {
    m_pStars = new SStar[m_nCount + 1]();
}

CStarField::~CStarField() {
    if (m_pStars) {
        delete[] m_pStars;
        m_pStars = nullptr;
    }
}

int CStarField::Load(IDirect3DDevice8* pDevice, CCamera* pCamera) {
    m_pDevice = pDevice;
    m_pCamera = pCamera;
    int nResult = m_Sprite.Create(pDevice, pCamera, "media\\Stars.bmp", 32, 32, 3, 1, 8, 8, 3,
                                  D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f), SPRITE_SCREEN);
    Fill();
    return nResult;
}

void CStarField::Scatter() {
    Fill();
    m_bFirstFrame = 1;
}

// Three random numbers per star, in this order: brightness, y, x (Add draws
// a fourth, the frame, when it finds a free record).
void CStarField::Fill() {
    for (int i = 0; i < m_nCount; i++) {
        int k = rand() % 10;
        float fBright = (float)(k / 20.0 + 0.2);  // 0.2, 0.25, ... 0.65
        float fY = (float)(rand() % 600);
        float fX = (float)(rand() % 800);
        Add(fX, fY, 1.0f, 0.3f, 0.3f, fBright, D3DXCOLOR(1.0f, 1.0f, 1.0f, fBright));
    }
}

int CStarField::Add(float fX, float fY, float fZ, float fSizeX, float fSizeY, float fParallax,
                    D3DCOLOR dwColour) {
    for (int i = 0; i < m_nCount; i++) {
        SStar& star = m_pStars[i];
        if (star.m_bActive) continue;
        star.m_bActive = 1;
        star.m_fX = fX;
        star.m_fY = fY;
        star.m_fZ = fZ;
        star.m_fSizeX = fSizeX;
        star.m_fSizeY = fSizeY;
        star.m_Colour = dwColour;
        star.m_nFrame = rand() % 3;
        star.m_fParallax = fParallax;
        return 1;
    }
    return 0;
}

void CStarField::Kill(int nIndex) {
    if (nIndex < 0 || nIndex >= m_nCount) return;
    m_pStars[nIndex].m_bActive = 0;
}

// A camera move of one unit towards +x moves a star by its parallax towards
// smaller screen x; one towards +y moves it down the screen. A star that
// leaves an edge comes back at the opposite edge (the edges themselves stay).
void CStarField::UpdateAndDraw() {
    // Nothing to move against before Load has given the camera.
    if (m_pCamera == nullptr) return;
    for (int i = 0; i < m_nCount; i++) {
        SStar& star = m_pStars[i];
        if (!star.m_bActive) continue;
        if (m_bFirstFrame) {
            m_bFirstFrame = 0;
            m_fLastCamX = m_pCamera->m_fX;
            m_fLastCamY = m_pCamera->m_fY;
        }
        star.m_fX = star.m_fX - (m_pCamera->m_fX - m_fLastCamX) * star.m_fParallax;
        star.m_fY = star.m_fY + (m_pCamera->m_fY - m_fLastCamY) * star.m_fParallax;

        if (star.m_fY < 0.0f) star.m_fY = kScreenHeight;
        if (star.m_fX < 0.0f) star.m_fX = kScreenWidth;
        if (star.m_fY > kScreenHeight) star.m_fY = 0.0f;
        if (star.m_fX > kScreenWidth) star.m_fX = 0.0f;

        m_Sprite.m_fX = star.m_fX;
        m_Sprite.m_fY = star.m_fY;
        m_Sprite.m_fZ = star.m_fZ;
        m_Sprite.m_dwColour = star.m_Colour;
        m_Sprite.m_nFrame = star.m_nFrame;
        m_Sprite.Draw(nullptr);
    }
    m_fLastCamX = m_pCamera->m_fX;
    m_fLastCamY = m_pCamera->m_fY;
}
