// One .x model: a managed mesh in the program's own vertex format with its
// colours written once at load, an optional texture, and a placement
// (position, rotation in degrees about x, y and z, scale) that the owner sets
// before every Draw. It also carries a list of named mesh frames with a
// linear blend between them, and a second mesh slot with its own colouring;
// nothing in the game uses those two.
#pragma once

#include "d3d8_api.h"
#include "d3dx8_api.h"

#define MESH_NAME_LENGTH 40
#define MESH_SLOTS 3

// The mesh vertex, flexible vertex format 0x152, 36 bytes.
struct SMeshVertex {
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR diffuse;
    float tu, tv;
};
#define D3DFVF_MESHVERTEX (D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1)

// One frame of the frame list.
struct SMeshNode {
    ID3DXMesh* m_pMesh;
    IDirect3DVertexBuffer8* m_pVertexBuffer;
    IDirect3DIndexBuffer8* m_pIndexBuffer;
    char m_szName[MESH_NAME_LENGTH];
    SMeshNode* m_pNext;
};

class CMeshObject {
public:
    CMeshObject();
    ~CMeshObject();

    // 1, or 0 when the mesh cannot be loaded: the object then keeps the model
    // it had, so after a first Load that fails it has no mesh and draws
    // nothing. A Load that succeeds replaces an earlier model.
    int Load(const char* szMeshFile, const char* szTextureFile, D3DCOLOR dwColour,
             IDirect3DDevice8* pDevice, int nUseMaterialColours);
    int LoadMesh(const char* szMeshFile, const char* szTextureFile, D3DCOLOR dwColour,
                 IDirect3DDevice8* pDevice, int nUseMaterialColours);
    int ColourVertices(D3DCOLOR dwColour, int nUseMaterialColours);
    int SetColour(D3DCOLOR dwColour);
    void Draw(int nSetUpTexture);

    // The frame list and its tween.
    void SetNodeName(const char* szName);
    int AddNode(const char* szMeshFile);
    int FindNode(const char* szName, float fStep);
    void TweenNodes();
    // The second mesh slot.
    int ColourSecondMeshVertices(D3DCOLOR dwColour, int nUseMaterialColours);

    ID3DXMesh* m_pMesh[MESH_SLOTS];
    IDirect3DVertexBuffer8* m_pVertexBuffer[MESH_SLOTS];
    IDirect3DIndexBuffer8* m_pIndexBuffer[MESH_SLOTS];
    IDirect3DTexture8* m_pTexture;
    D3DMATERIAL8* m_pMaterials[MESH_SLOTS];
    DWORD m_dwNumMaterials[MESH_SLOTS];
    float m_fX, m_fY, m_fZ;
    float m_fRotX, m_fRotY, m_fRotZ;
    float m_fScaleX, m_fScaleY, m_fScaleZ;
    SMeshNode* m_pHead;
    SMeshNode* m_pCur;
    SMeshNode* m_pTail;
    char m_szNodeName[MESH_NAME_LENGTH];
    char m_szTweenName[MESH_NAME_LENGTH];
    float m_fTweenStep;
    float m_fTweenWeight;
    IDirect3DDevice8* m_pDevice;

private:
    void ReleaseModel();
    void ReleaseFrames();
    int ColourSlot(int nSlot, DWORD dwFaces, D3DCOLOR dwColour, int nUseMaterialColours,
                   int nLockAttributes);
    void BlendFrames(SMeshNode* pFrom, SMeshNode* pTo);
};
