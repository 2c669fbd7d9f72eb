#include "ButtonList.h"

#include "Input.h"

#include <cstring>

namespace {

const int kTextureWidth = 256;
const int kTextureHeight = 64;
const int kColumns = 2;
const int kRows = 1;
const int kFrames = 2;
const int kFrameRest = 0;
const int kFramePressed = 1;

}  // namespace

CButtonNode::CButtonNode() : m_pNext(nullptr) { m_szName[0] = '\0'; }

// The borrowed pointers start null as well, so a list used before Init
// (or outside static storage) holds no stray device or input address.
CButtonList::CButtonList()
    : m_pHead(nullptr), m_pCur(nullptr), m_pTail(nullptr), m_pDevice(nullptr), m_pCamera(nullptr),
      m_pInput(nullptr) {}

// The nodes go with the list (each node's sprite gives back its texture and
// vertex buffer), so nothing is left behind for a leak check to report.
CButtonList::~CButtonList() {
    while (m_pHead) {
        CButtonNode* pNext = m_pHead->m_pNext;
        delete m_pHead;
        m_pHead = pNext;
    }
    m_pCur = m_pTail = nullptr;
}

void CButtonList::Init(IDirect3DDevice8* pDevice, CCamera* pCamera, CInput* pInput) {
    m_pDevice = pDevice;
    m_pCamera = pCamera;
    m_pInput = pInput;
}

int CButtonList::Add(const char* szName, const char* szFile, int nWidth, int nHeight, float fX,
                     float fY) {
    CButtonNode* pNode = new CButtonNode;
    m_pCur = pNode;
    if (!m_pHead)
        m_pHead = pNode;
    else
        m_pTail->m_pNext = pNode;

    // A missing image leaves a button that draws nothing but still hit-tests.
    pNode->Create(m_pDevice, m_pCamera, szFile, kTextureWidth, kTextureHeight, kColumns, kRows,
                  nWidth, nHeight, kFrames, 0xFFFFFFFF, SPRITE_SCREEN);
    pNode->m_fX = fX;
    pNode->m_fY = fY;

    // Names longer than the field holds are cut to 39 characters.
    std::strncpy(pNode->m_szName, szName ? szName : "", BUTTON_NAME_LENGTH - 1);
    pNode->m_szName[BUTTON_NAME_LENGTH - 1] = '\0';
    pNode->m_pNext = nullptr;
    m_pTail = pNode;
    return 1;
}

CButtonNode* CButtonList::Find(const char* szName) {
    m_pCur = m_pHead;
    if (!szName) return m_pCur = nullptr;  // a null name matches no button
    while (m_pCur && std::strcmp(m_pCur->m_szName, szName) != 0) m_pCur = m_pCur->m_pNext;
    return m_pCur;
}

// Strictly inside the button's box: a point on an edge is outside. The half
// sizes are whole pixels, so an odd size reaches one pixel further right or down.
int CButtonList::Inside(const CButtonNode* pNode, float fMouseX, float fMouseY) {
    const int nWidth = pNode->m_nFrameWidth, nHeight = pNode->m_nFrameHeight;
    const float fLeft = pNode->m_fX - float(nWidth / 2), fRight = fLeft + float(nWidth);
    const float fTop = pNode->m_fY - float(nHeight / 2), fBottom = fTop + float(nHeight);
    return fLeft < fMouseX && fMouseX < fRight && fTop < fMouseY && fMouseY < fBottom ? 1 : 0;
}

// Without an input object nothing is held and nothing is clicked.
int CButtonList::MouseHeld() { return m_pInput && m_pInput->m_Mouse.m_State.rgbButtons[0] != 0; }

int CButtonList::MouseClicked() { return m_pInput ? m_pInput->m_Mouse.Clicked() : 0; }

int CButtonList::DrawAndCheck(const char* szName, float fMouseX, float fMouseY) {
    CButtonNode* pNode = Find(szName);
    if (!pNode) return 0;
    const int bInside = Inside(pNode, fMouseX, fMouseY);
    pNode->m_nFrame = bInside && MouseHeld() ? kFramePressed : kFrameRest;
    pNode->Draw(nullptr);
    return bInside && MouseClicked() ? 1 : 0;
}

void CButtonList::Draw(const char* szName) {
    if (CButtonNode* pNode = Find(szName)) pNode->Draw(nullptr);
}

int CButtonList::IsClicked(const char* szName, float fMouseX, float fMouseY) {
    CButtonNode* pNode = Find(szName);
    if (!pNode) return 0;
    return Inside(pNode, fMouseX, fMouseY) && MouseClicked() ? 1 : 0;
}

void CButtonList::SetPosition(const char* szName, float fX, float fY) {
    if (CButtonNode* pNode = Find(szName)) {
        pNode->m_fX = fX;
        pNode->m_fY = fY;
    }
}

void CButtonList::SetColour(const char* szName, D3DCOLOR dwColour) {
    if (CButtonNode* pNode = Find(szName)) pNode->m_dwColour = dwColour;
}

void CButtonList::EmptyMethod(int) {}
