// The ship list: the selectable ship models and their handling values, read
// from a file of fixed 224-byte records, one mesh object per model in a
// singly linked list in file order. One instance, g_ShipList.
#pragma once

#include "MeshObject.h"
#include "d3d8_api.h"

#define SHIPLIST_MAX_RECORDS 1024
#define SHIPLIST_RECORD_SIZE 224

// One record of the file, byte for byte (little-endian).
struct SShipRecord {
    unsigned char m_Header[160];  // byte 0 non-zero: the record is in use
    float m_fAccel;
    float m_fTurnRate;
    int m_nShotDamage;
    int m_nFireDelay;
    unsigned char m_Unused[16];
    char m_szMeshFile[16];
    char m_szTextureFile[16];
};
static_assert(sizeof(SShipRecord) == SHIPLIST_RECORD_SIZE, "a ship record is 224 bytes");

// One model: a mesh object and the next model.
class CShipNode : public CMeshObject {
public:
    CShipNode();
    CShipNode* m_pNext;
};

class CShipList {
public:
    CShipList();
    ~CShipList();

    void SetDevice(IDirect3DDevice8* pDevice);
    int ReadFile(const char* szPath);
    int LoadMeshes();
    CShipNode* GetAt(int nIndex);

    int m_nCount;
    SShipRecord m_Records[SHIPLIST_MAX_RECORDS];
    CShipNode* m_pHead;
    CShipNode* m_pCur;
    CShipNode* m_pTail;
    IDirect3DDevice8* m_pDevice;
};
