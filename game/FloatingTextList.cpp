#include "FloatingTextList.h"

#include <cstring>

CFloatingTextList::CFloatingTextList(int nCapacity)
    : m_nCount(nCapacity), m_pTexts(nullptr), m_pDevice(nullptr) {
    // Every record starts zeroed (life 0: free), the spare one included.
    m_pTexts = new SFloatingText[nCapacity + 1];
    std::memset(m_pTexts, 0, sizeof(SFloatingText) * (nCapacity + 1));
}

CFloatingTextList::~CFloatingTextList() {
    if (m_pTexts) {
        delete[] m_pTexts;
        m_pTexts = nullptr;
    }
}

HRESULT CFloatingTextList::Init(IDirect3DDevice8* pDevice, const char* szFace, int nPoints) {
    m_pDevice = pDevice;
    return m_Font.Create(pDevice, szFace, nPoints);
}

int CFloatingTextList::Add(float fX, float fY, const char* szText, D3DCOLOR dwColour,
                           int nLife) {
    for (int i = 0; i < m_nCount; i++) {
        SFloatingText& t = m_pTexts[i];
        if (t.m_nLife != 0) continue;
        // A text with no life to live is accepted but never shown: the slot
        // stays free for the next Add.
        if (nLife <= 0) return 1;
        t.m_nLife = nLife;
        t.m_fX = fX;
        t.m_fY = fY;
        t.m_Colour = dwColour;
        // Longer texts are cut to the field: 39 characters and the NUL.
        size_t nLength = szText ? strnlen(szText, FLOATINGTEXT_LENGTH - 1) : 0;
        if (nLength) std::memcpy(t.m_szText, szText, nLength);
        t.m_szText[nLength] = '\0';
        return 1;
    }
    return 0;  // every slot is in use: the text is dropped
}

void CFloatingTextList::Kill(int nIndex) {
    if (nIndex < 0 || nIndex >= m_nCount) return;
    m_pTexts[nIndex].m_nLife = 0;
}

void CFloatingTextList::Update() {
    for (int i = 0; i < m_nCount; i++) {
        SFloatingText& t = m_pTexts[i];
        if (t.m_nLife == 0) continue;
        t.m_fY = t.m_fY - 1.0f;
        t.m_nLife = t.m_nLife - 1;
    }
}

void CFloatingTextList::Draw() {
    // Age first: a text is drawn one pixel above where it was added, and a
    // text whose life runs out in this call is not drawn.
    Update();
    for (int i = 0; i < m_nCount; i++) {
        const SFloatingText& t = m_pTexts[i];
        if (t.m_nLife == 0) continue;
        m_Font.DrawText(t.m_fX, t.m_fY, t.m_szText, t.m_Colour);
    }
}
