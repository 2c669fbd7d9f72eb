// Named on-screen buttons, each a two-frame screen sprite (frame 0 at rest,
// frame 1 pressed) centred on its position. A button shows pressed while
// mouse button 0 is held over it and reports a click when the button is
// released over it. Nodes are never removed while the list lives; the
// list's destructor frees them.
#pragma once

#include "Sprite.h"
#include "d3d8_api.h"

class CCamera;
class CInput;

#define BUTTON_NAME_LENGTH 40

class CButtonNode : public CSprite {
public:
    CButtonNode();

    char m_szName[BUTTON_NAME_LENGTH];
    CButtonNode* m_pNext;
};

class CButtonList {
public:
    CButtonList();
    ~CButtonList();

    void Init(IDirect3DDevice8* pDevice, CCamera* pCamera, CInput* pInput);
    int Add(const char* szName, const char* szFile, int nWidth, int nHeight, float fX, float fY);
    int DrawAndCheck(const char* szName, float fMouseX, float fMouseY);
    void Draw(const char* szName);
    int IsClicked(const char* szName, float fMouseX, float fMouseY);
    void SetPosition(const char* szName, float fX, float fY);
    void SetColour(const char* szName, D3DCOLOR dwColour);
    void EmptyMethod(int nUnused);

    CButtonNode* m_pHead;
    CButtonNode* m_pCur;
    CButtonNode* m_pTail;
    IDirect3DDevice8* m_pDevice;
    CCamera* m_pCamera;
    CInput* m_pInput;

private:
    CButtonNode* Find(const char* szName);
    int Inside(const CButtonNode* pNode, float fMouseX, float fMouseY);
    int MouseHeld();
    int MouseClicked();
};
