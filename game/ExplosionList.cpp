#include "ExplosionList.h"

#include <cstring>

CExplosionList::CExplosionList(int nCapacity) : m_nCount(nCapacity), m_pExplosions(nullptr) {
    // Every record starts zeroed, the spare one past the end included, so a
    // slot is inactive with a known position, size and frame until Spawn.
    m_pExplosions = new SExplosion[nCapacity + 1];
    std::memset(m_pExplosions, 0, sizeof(SExplosion) * (nCapacity + 1));
}

CExplosionList::~CExplosionList() {
    delete[] m_pExplosions;
    m_pExplosions = nullptr;
}

int CExplosionList::Init(IDirect3DDevice8* pDevice, CCamera* pCamera) {
    // Six 32 x 32 frames in one row; each effect's own colour replaces the
    // one given here before every draw.
    return m_Sprite.Create(pDevice, pCamera, "media\\explosion2.bmp", 256, 128, 6, 1, 32, 32, 6,
                           D3DXCOLOR(1.0f, 1.0f, 1.0f, 0.5f), SPRITE_BILLBOARD);
}

int CExplosionList::Spawn(float fX, float fY, float fZ, float fSizeX, float fSizeY,
                          D3DCOLOR dwColour) {
    for (int i = 0; i < m_nCount; i++) {
        SExplosion& e = m_pExplosions[i];
        if (e.m_bActive) continue;
        e.m_bActive = 1;
        e.m_fX = fX;
        e.m_fY = fY;
        e.m_fZ = fZ;
        e.m_fSizeX = fSizeX;
        e.m_fSizeY = fSizeY;
        e.m_Colour = dwColour;
        e.m_nFrame = 0;
        e.m_nTick = 0;
        return 1;
    }
    return 0;  // every slot is playing: the effect is dropped
}

void CExplosionList::Kill(int nIndex) {
    if (nIndex < 0 || nIndex >= m_nCount) return;
    m_pExplosions[nIndex].m_bActive = 0;
}

void CExplosionList::Update() {
    // Two game frames per sheet frame; the effect ends after sheet frame 5.
    for (int i = 0; i < m_nCount; i++) {
        SExplosion& e = m_pExplosions[i];
        if (!e.m_bActive) continue;
        e.m_nTick += 1;
        if (e.m_nTick > 1) {
            e.m_nTick = 0;
            e.m_nFrame += 1;
            if (e.m_nFrame > 5) {
                e.m_nFrame = 0;
                e.m_bActive = 0;
            }
        }
    }
}

void CExplosionList::Draw() {
    Update();
    for (int i = 0; i < m_nCount; i++) {
        const SExplosion& e = m_pExplosions[i];
        if (!e.m_bActive) continue;
        m_Sprite.m_fX = e.m_fX;
        m_Sprite.m_fY = e.m_fY;
        m_Sprite.m_fZ = e.m_fZ;
        m_Sprite.m_fScaleX = e.m_fSizeX;
        m_Sprite.m_fScaleY = e.m_fSizeY;
        m_Sprite.m_dwColour = e.m_Colour;
        m_Sprite.m_nFrame = e.m_nFrame;
        m_Sprite.Draw(nullptr);
    }
}
