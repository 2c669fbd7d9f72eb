#include "ShipList.h"

#include "PlayerShip.h"
#include "file_paths.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

// Limits of the handling values a record may carry. The drag multiplies the
// velocity by 1 - accel / 2 every frame after the thrust has added accel, so
// held thrust settles at 2 - accel: only 0 < accel < 2 gives a ship that
// speeds up along its heading and settles at a positive top speed (below 0
// or above 4 the speed grows without bound, 0 gives no thrust, and from 2 to
// 4 the velocity flips sign every frame). The fire counter counts up to the delay + 1, and a shot's damage is
// taken from a rock's hit points, so both stay far from the int limits.
#define SHIPLIST_MAX_FIRE_DELAY 1000
#define SHIPLIST_MAX_SHOT_DAMAGE 100000

namespace {

// Puts the built-in value in place of every handling value of an in-use
// record that the ship cannot fly with.
void CheckHandling(SShipRecord* pRecord) {
    float fAccel = pRecord->m_fAccel;
    if (!std::isfinite(fAccel) || fAccel <= 0.0f || fAccel >= 2.0f)
        pRecord->m_fAccel = SHIP_DEFAULT_ACCEL;
    // A negative rate turns the heading away from its wrap at 0 and 360, and
    // it would grow without bound.
    if (!std::isfinite(pRecord->m_fTurnRate) || pRecord->m_fTurnRate < 0.0f)
        pRecord->m_fTurnRate = SHIP_DEFAULT_TURN_RATE;
    if (pRecord->m_nShotDamage < 0 || pRecord->m_nShotDamage > SHIPLIST_MAX_SHOT_DAMAGE)
        pRecord->m_nShotDamage = SHIP_DEFAULT_SHOT_DAMAGE;
    if (pRecord->m_nFireDelay < 0 || pRecord->m_nFireDelay > SHIPLIST_MAX_FIRE_DELAY)
        pRecord->m_nFireDelay = SHIP_DEFAULT_FIRE_DELAY;
}

// "media//" and a name of at most the 16 bytes of its field, whether or not
// the field holds a NUL.
void MediaPath(char* szPath, size_t nSize, const char* szField) {
    std::snprintf(szPath, nSize, "media//%.16s", szField);
}

}  // namespace

CShipNode::CShipNode() : m_pNext(nullptr) {}

CShipList::CShipList()
    : m_nCount(0), m_pHead(nullptr), m_pCur(nullptr), m_pTail(nullptr), m_pDevice(nullptr) {
    std::memset(m_Records, 0, sizeof(m_Records));
}

// The models live as long as the list: the player ship and the ship-select
// screen point at them, and the game's list lasts until the process ends.
// Letting go of them here keeps leak checks meaningful.
CShipList::~CShipList() {
    CShipNode* pNode = m_pHead;
    while (pNode) {
        CShipNode* pNext = pNode->m_pNext;
        delete pNode;
        pNode = pNext;
    }
    m_pHead = m_pCur = m_pTail = nullptr;
}

void CShipList::SetDevice(IDirect3DDevice8* pDevice) { m_pDevice = pDevice; }

int CShipList::ReadFile(const char* szPath) {
    std::memset(m_Records, 0, sizeof(m_Records));
    // The name is the game's own ("media\\default.msl"): mapped to the real
    // file the way every other file the game names is.
    FILE* pFile = szPath ? std::fopen(platform::resolvePath(szPath).c_str(), "rb") : nullptr;
    if (!pFile) {
        // No file: every record stays zero and the list is empty.
        std::fprintf(stderr, "rockshooter: ship list not read: %s: %s\n", szPath ? szPath : "(none)",
                     std::strerror(errno));
        return 0;
    }

    // Fixed 224-byte records, no header; a short read leaves the rest zero.
    for (int i = 0; i < SHIPLIST_MAX_RECORDS; i++) {
        if (std::fread(&m_Records[i], 1, SHIPLIST_RECORD_SIZE, pFile) < SHIPLIST_RECORD_SIZE)
            break;
    }
    int nResult = std::ferror(pFile) ? 0 : 1;
    std::fclose(pFile);
    if (!nResult) std::fprintf(stderr, "rockshooter: ship list not read: %s: read error\n", szPath);

    for (int i = 0; i < SHIPLIST_MAX_RECORDS; i++) {
        if (m_Records[i].m_Header[0] != 0) CheckHandling(&m_Records[i]);
    }
    return nResult;
}

int CShipList::LoadMeshes() {
    m_nCount = 0;
    int nLoaded = 0;
    // The models are the records in use from the first on; the first record
    // not in use ends the list.
    for (int p = 0; p < SHIPLIST_MAX_RECORDS && m_Records[p].m_Header[0] != 0; p++) {
        m_nCount += 1;
        m_pCur = new CShipNode;
        if (!m_pHead) m_pHead = m_pCur;
        if (m_pTail) m_pTail->m_pNext = m_pCur;

        char szMesh[260];
        char szTexture[260];
        MediaPath(szMesh, sizeof(szMesh), m_Records[p].m_szMeshFile);
        MediaPath(szTexture, sizeof(szTexture), m_Records[p].m_szTextureFile);
        // A model whose mesh fails to load still counts: it draws nothing.
        nLoaded += m_pCur->Load(szMesh, szTexture, D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f),
                                m_pDevice, 0);

        m_pCur->m_pNext = nullptr;
        m_pTail = m_pCur;
    }
    return nLoaded > 0 ? 1 : 0;
}

CShipNode* CShipList::GetAt(int nIndex) {
    m_pCur = nullptr;
    if (nIndex >= 0 && nIndex < m_nCount) {
        m_pCur = m_pHead;
        for (int i = 0; i < nIndex && m_pCur; i++) m_pCur = m_pCur->m_pNext;
    }
    return m_pCur;
}
