#include "Menu.h"

#include "Camera.h"
#include "GameGlobals.h"
#include "Input.h"
#include "PlayerShip.h"
#include "ShipList.h"
#include "d3dx8_api.h"
#include "dinput_api.h"

namespace {

// The cursor stays on the 800 by 600 screen, the edges themselves included.
const float kScreenRight = 800.0f;
const float kScreenBottom = 600.0f;
// The cursor picture is 16 by 16 and centred on the cursor; its top-left
// corner is the point that is tested.
const float kCursorHotSpot = 8.0f;

const float kPulseStep = 0.1f;
const float kSpinStep = 5.0f;

// One main-menu item: its text, where its shadow and the text go, the state
// it chooses and the open box the tested point must lie in for a click.
struct SMenuItem {
    const char* szText;
    float fShadowX, fShadowY;
    float fX, fY;
    int nState;
    float fBoxLeft, fBoxRight, fBoxTop, fBoxBottom;
};

const SMenuItem kItems[3] = {
    {"Continue", 366.0f, 286.0f, 365.0f, 285.0f, GS_PLAYING, 365.0f, 437.0f, 285.0f, 301.0f},
    {"New Game", 358.0f, 304.0f, 357.0f, 303.0f, GS_NEWGAME, 357.0f, 437.0f, 303.0f, 319.0f},
    {"Exit", 383.0f, 322.0f, 382.0f, 321.0f, GS_QUIT, 382.0f, 430.0f, 321.0f, 337.0f},
};
const int kItemCount = 3;

// The ship-select buttons, each 40 by 20.
struct SMenuButton {
    const char* szName;
    const char* szFile;
    float fX, fY;
};

const SMenuButton kButtons[3] = {
    {"left", "media\\LeftBUT.bmp", 370.0f, 393.0f},
    {"right", "media\\RightBUT.bmp", 430.0f, 393.0f},
    {"ok", "media\\OkBUT.bmp", 498.0f, 395.0f},
};
const int kButtonWidth = 40;
const int kButtonHeight = 20;

float Clamp(float fValue, float fLow, float fHigh) {
    if (fValue < fLow) return fLow;
    if (fValue > fHigh) return fHigh;
    return fValue;
}

}  // namespace

CMenu::CMenu()
    : m_nSelection(0), m_nKeyDelay(4), m_nKeyCounter(0), m_fPulse(1.0f), m_fPulseStep(kPulseStep),
      m_bFirstShipSelect(1), m_pPreview(nullptr), m_fSpin(0.0f), m_nShipIndex(0),
      m_pDevice(nullptr), m_pCamera(nullptr), m_pInput(nullptr) {}

CMenu::~CMenu() {}

int CMenu::Init(IDirect3DDevice8* pDevice, CCamera* pCamera, CInput* pInput) {
    m_pDevice = pDevice;
    m_pCamera = pCamera;
    m_pInput = pInput;

    // Every step runs even after one fails; the result says whether all of
    // the pictures and the font were made.
    int bOk = 1;
    bOk &= m_MenuSprite.Create(pDevice, pCamera, "media\\mainmenu3.bmp", 128, 128, 1, 1, 128, 128,
                               1, D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f), SPRITE_SCREEN) != 0;
    m_MenuSprite.m_fX = 400.0f;
    m_MenuSprite.m_fY = 300.0f;

    bOk &= m_CursorSprite.Create(pDevice, pCamera, "media\\cursor.bmp", 16, 16, 1, 1, 16, 16, 1,
                                 D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.7f), SPRITE_SCREEN) != 0;
    m_CursorSprite.m_fX = 400.0f;
    m_CursorSprite.m_fY = 300.0f;

    bOk &= SUCCEEDED(m_Font.Create(pDevice, "Carolingia", 16)) ? 1 : 0;

    bOk &= m_ShipSelectSprite.Create(pDevice, pCamera, "media\\ssmenu.bmp", 256, 217, 1, 1, 256,
                                     217, 1, D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f), SPRITE_SCREEN) != 0;
    m_ShipSelectSprite.m_fX = 400.0f;
    m_ShipSelectSprite.m_fY = 300.0f;

    m_Buttons.Init(pDevice, pCamera, pInput);
    for (const SMenuButton& button : kButtons)
        bOk &= m_Buttons.Add(button.szName, button.szFile, kButtonWidth, kButtonHeight, button.fX,
                             button.fY) != 0;
    return bOk;
}

float CMenu::PointX() const { return m_CursorSprite.m_fX - kCursorHotSpot; }
float CMenu::PointY() const { return m_CursorSprite.m_fY - kCursorHotSpot; }

int CMenu::Update(int nState, CShipList* pShipList, CPlayerShip* pShip) {
    CMouse& mouse = m_pInput->m_Mouse;
    mouse.Update();
    // One pixel per mouse count.
    m_CursorSprite.m_fX = Clamp(m_CursorSprite.m_fX + (float)mouse.m_State.lX, 0.0f, kScreenRight);
    m_CursorSprite.m_fY =
        Clamp(m_CursorSprite.m_fY + (float)mouse.m_State.lY, 0.0f, kScreenBottom);

    if (++m_nKeyCounter > m_nKeyDelay) m_nKeyCounter = m_nKeyDelay + 1;

    // A state that is neither screen passes through unchanged.
    int nResult = nState;
    if (nState == GS_MAINMENU)
        nResult = DoMainMenu();
    else if (nState == GS_SHIPSELECT)
        nResult = DoShipSelect(pShipList, pShip);

    m_CursorSprite.Draw(nullptr);
    return nResult;
}

int CMenu::DoMainMenu() {
    m_MenuSprite.Draw(nullptr);

    if (m_nKeyCounter > m_nKeyDelay) {
        CKeyboard& keyboard = m_pInput->m_Keyboard;
        if (keyboard.KeyDown(DIK_UP)) {
            m_nKeyCounter = 0;
            if (--m_nSelection < 0) m_nSelection = 0;
        }
        if (keyboard.KeyDown(DIK_DOWN)) {
            m_nKeyCounter = 0;
            if (++m_nSelection > kItemCount - 1) m_nSelection = kItemCount - 1;
        }
        if (keyboard.KeyDown(DIK_RETURN)) return kItems[m_nSelection].nState;

        // A click chooses an item without moving the selection; the boxes are open.
        const float px = PointX(), py = PointY();
        for (const SMenuItem& item : kItems) {
            if (item.fBoxLeft < px && px < item.fBoxRight && item.fBoxTop < py &&
                py < item.fBoxBottom && m_pInput->m_Mouse.Clicked())
                return item.nState;
        }
    }

    m_fPulse += m_fPulseStep;
    if (m_fPulse > 1.0f) {
        m_fPulseStep = -kPulseStep;
        m_fPulse = 1.0f;
    }
    if (m_fPulse < 0.0f) {
        m_fPulseStep = kPulseStep;
        m_fPulse = 0.0f;
    }

    for (const SMenuItem& item : kItems)
        m_Font.DrawText(item.fShadowX, item.fShadowY, item.szText,
                        D3DXCOLOR(0.1f, 0.1f, 0.1f, 1.0f));
    for (int i = 0; i < kItemCount; ++i) {
        const D3DXCOLOR colour = i == m_nSelection ? D3DXCOLOR(m_fPulse, m_fPulse, m_fPulse, 1.0f)
                                                   : D3DXCOLOR(0.7f, 0.7f, 0.7f, 1.0f);
        m_Font.DrawText(kItems[i].fX, kItems[i].fY, kItems[i].szText, colour);
    }
    return GS_MAINMENU;
}

// With no ship in the list there is no record to step to: the arrows do nothing.
void CMenu::StepShip(int nStep, CShipList* pShipList, CPlayerShip* pShip) {
    const int nCount = pShipList->m_nCount;
    if (nCount <= 0) return;
    int nIndex = m_nShipIndex + nStep;
    if (nIndex < 0) nIndex = nCount - 1;
    if (nIndex > nCount - 1) nIndex = 0;
    m_nShipIndex = nIndex;
    m_pPreview = pShipList->GetAt(nIndex);
    pShip->SetModel(m_pPreview, &pShipList->m_Records[nIndex]);
}

int CMenu::DoShipSelect(CShipList* pShipList, CPlayerShip* pShip) {
    // The first visit shows the list's first ship; later visits, also after
    // a new game, keep the ship shown last.
    if (m_bFirstShipSelect) {
        m_bFirstShipSelect = 0;
        m_pPreview = pShipList->m_nCount > 0 ? pShipList->GetAt(0) : nullptr;
    }

    m_ShipSelectSprite.Draw(nullptr);

    const float px = PointX(), py = PointY();
    if (m_Buttons.DrawAndCheck("left", px, py)) StepShip(-1, pShipList, pShip);
    if (m_Buttons.DrawAndCheck("right", px, py)) StepShip(+1, pShipList, pShip);
    if (m_Buttons.DrawAndCheck("ok", px, py)) return GS_PLAYING;

    // 360 is shown too, so the model rests for one frame per turn.
    m_fSpin += kSpinStep;
    if (m_fSpin > 360.0f) m_fSpin = 0.0f;

    // The node belongs to the ship list; the screen places it directly.
    if (m_pPreview) {
        m_pPreview->m_fX = 0.0f;
        m_pPreview->m_fY = 0.0f;
        m_pPreview->m_fZ = 0.0f;
        m_pPreview->m_fRotX = -45.0f;
        m_pPreview->m_fRotY = m_fSpin;
        m_pPreview->m_fRotZ = 0.0f;
        m_pPreview->Draw(1);
    }

    // The camera's angles are left as they are.
    m_pCamera->m_fX = 0.0f;
    m_pCamera->m_fY = 0.0f;
    m_pCamera->m_fZ = -50.0f;
    m_pCamera->Update(m_pDevice, 0);
    return GS_SHIPSELECT;
}
