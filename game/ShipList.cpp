#include "ShipList.h"

#include "file_paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Reads the records whole, as many as the file holds up to the list's
// capacity. A record the file ends inside is corrupted and stays zero, out of
// the list; *pnCutBytes is then the file's length, else 0.
int ReadRecords(FILE* pFile, SShipRecord* pRecords, long* pnCutBytes) {
    *pnCutBytes = 0;
    for (int i = 0; i < SHIPLIST_MAX_RECORDS; i++) {
        const size_t nRead = std::fread(&pRecords[i], 1, SHIPLIST_RECORD_SIZE, pFile);
        if (nRead == SHIPLIST_RECORD_SIZE) continue;
        if (nRead > 0) {
            std::memset(&pRecords[i], 0, SHIPLIST_RECORD_SIZE);
            *pnCutBytes = long(i) * SHIPLIST_RECORD_SIZE + long(nRead);
        }
        return i;
    }
    return SHIPLIST_MAX_RECORDS;
}

// The ships the list will hold: the records in use from the first on.
int LeadingShips(const SShipRecord* pRecords, int nRecords) {
    int nShips = 0;
    while (nShips < nRecords && pRecords[nShips].m_Header[0] != 0) nShips++;
    return nShips;
}

// One line for a file that gives fewer ships than it should: cut inside a
// record, or without a ship at all.
void ReportShips(const char* szPath, long nCutBytes, int nRecords, int nShips) {
    if (nCutBytes > 0) {
        std::fprintf(stderr,
                     "rockshooter: ship list cut short: %s: %ld bytes is not a whole number of "
                     "%d-byte records; the list holds %d whole ship%s\n",
                     szPath, nCutBytes, SHIPLIST_RECORD_SIZE, nShips, nShips == 1 ? "" : "s");
    } else if (nShips == 0) {
        std::fprintf(stderr, "rockshooter: ship list holds no ship: %s: %s\n", szPath,
                     nRecords == 0 ? "the file is empty" : "its first record is not in use");
    }
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

    long nCutBytes = 0;
    const int nRecords = ReadRecords(pFile, m_Records, &nCutBytes);
    int nResult = std::ferror(pFile) ? 0 : 1;
    std::fclose(pFile);
    if (!nResult)
        std::fprintf(stderr, "rockshooter: ship list not read: %s: read error\n", szPath);
    else
        ReportShips(szPath, nCutBytes, nRecords, LeadingShips(m_Records, nRecords));
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
