// The two screens that are not play: the main menu ("Continue", "New Game",
// "Exit", worked by the arrow keys and RETURN or by clicking) and the
// ship-select screen, where "left" and "right" step through the ship list's
// models, shown turning, and "ok" starts play. Both share a mouse cursor the
// menu moves and draws itself. One instance, g_Menu.
#pragma once

#include "ButtonList.h"
#include "Sprite.h"
#include "TextureFont.h"
#include "d3d8_api.h"

class CCamera;
class CInput;
class CShipList;
class CShipNode;
class CPlayerShip;

class CMenu {
public:
    CMenu();
    ~CMenu();

    // Keeps the pointers and creates the pictures, the font and the buttons.
    // 1, or 0 when a picture or the font could not be made (everything else
    // is still created).
    int Init(IDirect3DDevice8* pDevice, CCamera* pCamera, CInput* pInput);
    // One menu frame for the state (main menu or ship select); returns the
    // next state. The keyboard must have been read for this frame; the
    // mouse is read here. Any other state comes back unchanged.
    int Update(int nState, CShipList* pShipList, CPlayerShip* pShip);
    int DoMainMenu();
    int DoShipSelect(CShipList* pShipList, CPlayerShip* pShip);

    int m_nSelection;    // 0 "Continue", 1 "New Game", 2 "Exit"
    int m_nKeyDelay;     // the key counter must exceed it before the main menu takes input
    int m_nKeyCounter;   // frames since the selection last moved, held at m_nKeyDelay + 1
    CSprite m_MenuSprite;
    CSprite m_CursorSprite;  // its position is the cursor position
    CButtonList m_Buttons;
    float m_fPulse;      // brightness of the highlighted item, 0 to 1
    float m_fPulseStep;  // +0.1 or -0.1 per main-menu frame
    CTextureFont m_Font;
    int m_bFirstShipSelect;
    CShipNode* m_pPreview;  // the ship list's node shown turning
    float m_fSpin;          // the preview's turn about y, degrees
    int m_nShipIndex;       // the chosen ship's index in the ship list
    CSprite m_ShipSelectSprite;
    IDirect3DDevice8* m_pDevice;
    CCamera* m_pCamera;
    CInput* m_pInput;

private:
    // (px, py): the top-left corner of the cursor picture, the point tested
    // against items and buttons.
    float PointX() const;
    float PointY() const;
    // Steps the chosen ship by -1 or +1 with wrap-around and hands it to the ship.
    void StepShip(int nStep, CShipList* pShipList, CPlayerShip* pShip);
};
