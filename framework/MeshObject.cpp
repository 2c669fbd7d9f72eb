#include "MeshObject.h"

#include <cstring>

namespace {

// Degrees to radians as degrees x 3.1415927 / 180, multiplied in that order.
float Radians(float fDegrees) { return fDegrees * 3.1415927f / 180.0f; }
const UINT kIndexSize = 2;  // 16-bit indices

template <class T>
void ReleaseAndClear(T*& pObject) {
    if (pObject) {
        pObject->Release();
        pObject = nullptr;
    }
}

// Copies at most MESH_NAME_LENGTH - 1 characters and always terminates.
void CopyName(char* szDest, const char* szSource) {
    if (szSource == nullptr) szSource = "";
    size_t nLength = strnlen(szSource, MESH_NAME_LENGTH - 1);
    memmove(szDest, szSource, nLength);
    szDest[nLength] = '\0';
}

BYTE ColourChannel(float fValue) {
    if (fValue >= 1.0f) return 255;
    if (fValue <= 0.0f) return 0;
    return (BYTE)(fValue * 255.0f + 0.5f);
}

D3DCOLOR MaterialColour(const D3DCOLORVALUE& c) {
    return ((D3DCOLOR)ColourChannel(c.a) << 24) | ((D3DCOLOR)ColourChannel(c.r) << 16) |
           ((D3DCOLOR)ColourChannel(c.g) << 8) | (D3DCOLOR)ColourChannel(c.b);
}

// The mesh hands out a new reference each time; the object keeps exactly one.
void FetchBuffers(ID3DXMesh* pMesh, IDirect3DVertexBuffer8*& pVertexBuffer,
                  IDirect3DIndexBuffer8*& pIndexBuffer) {
    IDirect3DVertexBuffer8* pNewVertices = nullptr;
    IDirect3DIndexBuffer8* pNewIndices = nullptr;
    pMesh->GetVertexBuffer(&pNewVertices);
    pMesh->GetIndexBuffer(&pNewIndices);
    ReleaseAndClear(pVertexBuffer);
    ReleaseAndClear(pIndexBuffer);
    pVertexBuffer = pNewVertices;
    pIndexBuffer = pNewIndices;
}

// Reads a .x file as a managed mesh. On failure nothing is left behind: no
// mesh, no material buffer.
HRESULT LoadMeshFile(const char* szFile, IDirect3DDevice8* pDevice, ID3DXBuffer** ppMaterials,
                     DWORD* pdwNumMaterials, ID3DXMesh** ppMesh) {
    *ppMesh = nullptr;
    *ppMaterials = nullptr;
    *pdwNumMaterials = 0;
    if (szFile == nullptr || pDevice == nullptr) return E_FAIL;

    ID3DXMesh* pLoaded = nullptr;
    ID3DXBuffer* pMaterials = nullptr;
    DWORD dwNumMaterials = 0;
    HRESULT hr = D3DXLoadMeshFromX(szFile, D3DXMESH_MANAGED, pDevice, nullptr, &pMaterials,
                                   &dwNumMaterials, &pLoaded);
    if (FAILED(hr) || pLoaded == nullptr) {
        ReleaseAndClear(pMaterials);
        ReleaseAndClear(pLoaded);
        return FAILED(hr) ? hr : E_FAIL;
    }
    *ppMesh = pLoaded;
    *ppMaterials = pMaterials;
    *pdwNumMaterials = pMaterials ? dwNumMaterials : 0;
    return S_OK;
}

// Brings a loaded mesh into the mesh vertex format: used as it is when it
// already has that format, otherwise cloned and the loaded one released.
// Null when the clone fails (the loaded mesh is released then too).
ID3DXMesh* ToMeshVertexFormat(ID3DXMesh* pLoaded, IDirect3DDevice8* pDevice) {
    if (pLoaded->GetFVF() == D3DFVF_MESHVERTEX) return pLoaded;
    ID3DXMesh* pClone = nullptr;
    HRESULT hr = pLoaded->CloneMeshFVF(D3DXMESH_MANAGED, D3DFVF_MESHVERTEX, pDevice, &pClone);
    pLoaded->Release();
    if (FAILED(hr)) ReleaseAndClear(pClone);
    return pClone;
}

// The D3DMATERIAL8 part of each record, in file order; null for none.
D3DMATERIAL8* CopyMaterials(ID3DXBuffer* pBuffer, DWORD dwCount) {
    if (pBuffer == nullptr || dwCount == 0) return nullptr;
    D3DMATERIAL8* pMaterials = new D3DMATERIAL8[dwCount];
    const D3DXMATERIAL* pSource = (const D3DXMATERIAL*)pBuffer->GetBufferPointer();
    for (DWORD i = 0; i < dwCount; i++) pMaterials[i] = pSource ? pSource[i].MatD3D : D3DMATERIAL8{};
    return pMaterials;
}

}  // namespace

CMeshObject::CMeshObject()
    : m_pTexture(nullptr),
      m_fX(0.0f), m_fY(0.0f), m_fZ(0.0f),
      m_fRotX(0.0f), m_fRotY(0.0f), m_fRotZ(0.0f),
      m_fScaleX(1.0f), m_fScaleY(1.0f), m_fScaleZ(1.0f),
      m_pHead(nullptr), m_pCur(nullptr), m_pTail(nullptr),
      m_fTweenStep(0.0f), m_fTweenWeight(0.0f), m_pDevice(nullptr) {
    for (int i = 0; i < MESH_SLOTS; i++) {
        m_pMesh[i] = nullptr;
        m_pVertexBuffer[i] = nullptr;
        m_pIndexBuffer[i] = nullptr;
        m_pMaterials[i] = nullptr;
        m_dwNumMaterials[i] = 0;
    }
    m_szNodeName[0] = '\0';
    m_szTweenName[0] = '\0';
}

CMeshObject::~CMeshObject() {
    ReleaseModel();
    ReleaseFrames();
}

void CMeshObject::ReleaseModel() {
    for (int i = 0; i < MESH_SLOTS; i++) {
        ReleaseAndClear(m_pMesh[i]);
        delete[] m_pMaterials[i];
        m_pMaterials[i] = nullptr;
        m_dwNumMaterials[i] = 0;
    }
    ReleaseAndClear(m_pTexture);
    for (int i = 0; i < MESH_SLOTS; i++) {
        ReleaseAndClear(m_pVertexBuffer[i]);
        ReleaseAndClear(m_pIndexBuffer[i]);
    }
}

void CMeshObject::ReleaseFrames() {
    SMeshNode* pNode = m_pHead;
    while (pNode) {
        SMeshNode* pNext = pNode->m_pNext;
        ReleaseAndClear(pNode->m_pMesh);
        ReleaseAndClear(pNode->m_pVertexBuffer);
        ReleaseAndClear(pNode->m_pIndexBuffer);
        delete pNode;
        pNode = pNext;
    }
    m_pHead = m_pCur = m_pTail = nullptr;
}

int CMeshObject::Load(const char* szMeshFile, const char* szTextureFile, D3DCOLOR dwColour,
                      IDirect3DDevice8* pDevice, int nUseMaterialColours) {
    m_pDevice = pDevice;

    ID3DXMesh* pLoaded = nullptr;
    ID3DXBuffer* pMaterialBuffer = nullptr;
    DWORD dwNumMaterials = 0;
    if (FAILED(LoadMeshFile(szMeshFile, pDevice, &pMaterialBuffer, &dwNumMaterials, &pLoaded)))
        return 0;

    D3DMATERIAL8* pMaterials = CopyMaterials(pMaterialBuffer, dwNumMaterials);
    ReleaseAndClear(pMaterialBuffer);

    ID3DXMesh* pMesh = ToMeshVertexFormat(pLoaded, pDevice);
    if (pMesh == nullptr) {
        // A failed clone leaves no half-built model behind.
        delete[] pMaterials;
        return 0;
    }

    // A second Load replaces the first model instead of leaking it.
    ReleaseModel();
    m_pMaterials[0] = pMaterials;
    m_dwNumMaterials[0] = dwNumMaterials;
    m_pMesh[0] = pMesh;
    ColourVertices(dwColour, nUseMaterialColours);

    if (szTextureFile != nullptr) {
        // A texture that cannot be loaded leaves the model untextured.
        if (FAILED(D3DXCreateTextureFromFileA(pDevice, szTextureFile, &m_pTexture)))
            m_pTexture = nullptr;
    }
    return 1;
}

int CMeshObject::LoadMesh(const char* szMeshFile, const char* szTextureFile, D3DCOLOR dwColour,
                          IDirect3DDevice8* pDevice, int nUseMaterialColours) {
    return Load(szMeshFile, szTextureFile, dwColour, pDevice, nUseMaterialColours);
}

int CMeshObject::ColourSlot(int nSlot, DWORD dwFaces, D3DCOLOR dwColour,
                            int nUseMaterialColours, int nLockAttributes) {
    ID3DXMesh* pMesh = m_pMesh[nSlot];
    if (pMesh == nullptr) return 0;  // nothing loaded: nothing to colour
    FetchBuffers(pMesh, m_pVertexBuffer[nSlot], m_pIndexBuffer[nSlot]);
    IDirect3DVertexBuffer8* pVertexBuffer = m_pVertexBuffer[nSlot];
    IDirect3DIndexBuffer8* pIndexBuffer = m_pIndexBuffer[nSlot];
    if (pVertexBuffer == nullptr || pIndexBuffer == nullptr) return 0;

    DWORD dwVertices = pMesh->GetNumVertices();
    // Never walk past the faces this mesh really has.
    if (dwFaces > pMesh->GetNumFaces()) dwFaces = pMesh->GetNumFaces();

    BYTE* pVertexData = nullptr;
    BYTE* pIndexData = nullptr;
    DWORD* pAttributes = nullptr;
    pVertexBuffer->Lock(0, dwVertices * sizeof(SMeshVertex), &pVertexData, 0);
    pIndexBuffer->Lock(0, pMesh->GetNumFaces() * 3 * kIndexSize, &pIndexData, D3DLOCK_READONLY);
    if (nLockAttributes) pMesh->LockAttributeBuffer(D3DLOCK_READONLY, &pAttributes);

    if (pVertexData && pIndexData) {
        SMeshVertex* pVertices = (SMeshVertex*)pVertexData;
        const WORD* pIndices = (const WORD*)pIndexData;
        for (DWORD f = 0; f < dwFaces; f++) {
            D3DCOLOR dwFace = dwColour;
            // A face whose material number has no entry keeps the argument.
            if (nUseMaterialColours && pAttributes && pAttributes[f] < m_dwNumMaterials[nSlot] &&
                m_pMaterials[nSlot] != nullptr)
                dwFace = MaterialColour(m_pMaterials[nSlot][pAttributes[f]].Diffuse);
            for (DWORD k = 0; k < 3; k++) {
                WORD wIndex = pIndices[3 * f + k];
                if (wIndex < dwVertices) pVertices[wIndex].diffuse = dwFace;
            }
        }
    }

    if (pVertexData) pVertexBuffer->Unlock();
    if (pIndexData) pIndexBuffer->Unlock();
    if (pAttributes) pMesh->UnlockAttributeBuffer();
    return 1;
}

int CMeshObject::ColourVertices(D3DCOLOR dwColour, int nUseMaterialColours) {
    if (m_pMesh[0] == nullptr) return 0;
    return ColourSlot(0, m_pMesh[0]->GetNumFaces(), dwColour, nUseMaterialColours, 1);
}

int CMeshObject::SetColour(D3DCOLOR dwColour) {
    if (m_pMesh[0] == nullptr) return 0;
    return ColourSlot(0, m_pMesh[0]->GetNumFaces(), dwColour, 0, 0);
}

int CMeshObject::ColourSecondMeshVertices(D3DCOLOR dwColour, int nUseMaterialColours) {
    // The face count comes from the drawn mesh; ColourSlot bounds it by the
    // second mesh's own.
    if (m_pMesh[0] == nullptr || m_pMesh[1] == nullptr) return 0;
    return ColourSlot(1, m_pMesh[0]->GetNumFaces(), dwColour, nUseMaterialColours, 1);
}

void CMeshObject::Draw(int nSetUpTexture) {
    if (m_pMesh[0] == nullptr || m_pDevice == nullptr) return;  // its file was missing

    D3DXMATRIX matScale, matRotX, matRotY, matRotZ, matTrans;
    D3DXMatrixScaling(&matScale, m_fScaleX, m_fScaleY, m_fScaleZ);
    D3DXMatrixRotationX(&matRotX, Radians(m_fRotX));
    D3DXMatrixRotationY(&matRotY, Radians(m_fRotY));
    D3DXMatrixRotationZ(&matRotZ, Radians(m_fRotZ));
    D3DXMatrixTranslation(&matTrans, m_fX, m_fY, m_fZ);

    // Row vectors: scale, then turn about x, y and z, then move.
    D3DXMATRIX matSX, matSXY, matSXYZ, matWorld;
    D3DXMatrixMultiply(&matSX, &matScale, &matRotX);
    D3DXMatrixMultiply(&matSXY, &matSX, &matRotY);
    D3DXMatrixMultiply(&matSXYZ, &matSXY, &matRotZ);
    D3DXMatrixMultiply(&matWorld, &matSXYZ, &matTrans);
    m_pDevice->SetTransform(D3DTS_WORLD, &matWorld);

    int nTextured = m_pTexture != nullptr && nSetUpTexture != 0;
    if (nTextured) {
        m_pDevice->SetTexture(0, m_pTexture);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }

    m_pDevice->SetVertexShader(D3DFVF_MESHVERTEX);
    m_pDevice->SetStreamSource(0, m_pVertexBuffer[0], sizeof(SMeshVertex));
    m_pDevice->SetIndices(m_pIndexBuffer[0], 0);
    m_pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, m_pMesh[0]->GetNumVertices(), 0,
                                    m_pMesh[0]->GetNumFaces());
    m_pDevice->SetVertexShader(0);

    if (nTextured) m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
}

void CMeshObject::SetNodeName(const char* szName) { CopyName(m_szNodeName, szName); }

int CMeshObject::AddNode(const char* szMeshFile) {
    // The file is read before the frame joins the list, so a missing file
    // leaves no frame without a mesh behind.
    ID3DXMesh* pLoaded = nullptr;
    ID3DXBuffer* pMaterials = nullptr;
    DWORD dwNumMaterials = 0;
    if (FAILED(LoadMeshFile(szMeshFile, m_pDevice, &pMaterials, &dwNumMaterials, &pLoaded)))
        return 0;
    ReleaseAndClear(pMaterials);  // a frame keeps no materials
    ID3DXMesh* pMesh = ToMeshVertexFormat(pLoaded, m_pDevice);
    if (pMesh == nullptr) return 0;

    SMeshNode* pNode = new SMeshNode;
    pNode->m_pMesh = pMesh;
    pNode->m_pVertexBuffer = nullptr;
    pNode->m_pIndexBuffer = nullptr;
    CopyName(pNode->m_szName, m_szNodeName);
    pNode->m_pNext = nullptr;

    if (m_pHead == nullptr)
        m_pHead = pNode;
    else
        m_pTail->m_pNext = pNode;
    m_pTail = pNode;
    m_pCur = pNode;
    return 1;
}

int CMeshObject::FindNode(const char* szName, float fStep) {
    if (m_pHead == nullptr) return 0;
    m_fTweenStep = fStep;
    if (szName != m_szTweenName) CopyName(m_szTweenName, szName);
    for (SMeshNode* pNode = m_pHead; pNode; pNode = pNode->m_pNext) {
        if (strcmp(pNode->m_szName, m_szTweenName) == 0) {
            m_pCur = pNode;
            return 1;
        }
    }
    return 0;  // the cursor stays where it was
}

void CMeshObject::TweenNodes() {
    if (m_pMesh[0] == nullptr || m_pCur == nullptr || m_pCur->m_pNext == nullptr) return;
    SMeshNode* pTo = m_pCur->m_pNext;

    m_fTweenWeight += m_fTweenStep;
    if (1.0f - m_fTweenWeight < 0.0f) {
        m_fTweenWeight = 0.0f;
        m_pCur = m_pCur->m_pNext;
        if (m_pCur->m_pNext == nullptr) {
            FindNode(m_szTweenName, m_fTweenStep);
        } else {
            pTo = m_pCur->m_pNext;
            if (strcmp(pTo->m_szName, m_szTweenName) != 0) FindNode(m_szTweenName, m_fTweenStep);
        }
    }
    BlendFrames(m_pCur, pTo);
}

void CMeshObject::BlendFrames(SMeshNode* pFrom, SMeshNode* pTo) {
    ID3DXMesh* pOut = m_pMesh[0];
    DWORD dwFaces = pOut->GetNumFaces();
    // The blend walks the faces in step, so all three meshes must match.
    if (pFrom->m_pMesh == nullptr || pTo->m_pMesh == nullptr ||
        pFrom->m_pMesh->GetNumFaces() != dwFaces || pTo->m_pMesh->GetNumFaces() != dwFaces)
        return;

    FetchBuffers(pOut, m_pVertexBuffer[0], m_pIndexBuffer[0]);
    FetchBuffers(pFrom->m_pMesh, pFrom->m_pVertexBuffer, pFrom->m_pIndexBuffer);
    FetchBuffers(pTo->m_pMesh, pTo->m_pVertexBuffer, pTo->m_pIndexBuffer);

    IDirect3DVertexBuffer8* pVB[3] = {m_pVertexBuffer[0], pFrom->m_pVertexBuffer,
                                      pTo->m_pVertexBuffer};
    IDirect3DIndexBuffer8* pIB[3] = {m_pIndexBuffer[0], pFrom->m_pIndexBuffer,
                                     pTo->m_pIndexBuffer};
    ID3DXMesh* pMeshes[3] = {pOut, pFrom->m_pMesh, pTo->m_pMesh};
    BYTE* pVertexData[3] = {nullptr, nullptr, nullptr};
    BYTE* pIndexData[3] = {nullptr, nullptr, nullptr};
    // A run that ends on the list's last frame blends that frame with itself:
    // lock its buffers once.
    int nBuffers = pFrom == pTo ? 2 : 3;
    for (int i = 0; i < nBuffers; i++)
        if (pVB[i]) pVB[i]->Lock(0, pMeshes[i]->GetNumVertices() * sizeof(SMeshVertex),
                                 &pVertexData[i], 0);
    for (int i = 0; i < nBuffers; i++)
        if (pIB[i]) pIB[i]->Lock(0, dwFaces * 3 * kIndexSize, &pIndexData[i], D3DLOCK_READONLY);
    int nLocked = 1;
    for (int i = 0; i < nBuffers; i++)
        if (pVertexData[i] == nullptr || pIndexData[i] == nullptr) nLocked = 0;
    if (nBuffers == 2) {
        pVertexData[2] = pVertexData[1];
        pIndexData[2] = pIndexData[1];
    }

    if (nLocked) {
        SMeshVertex* pOutVertices = (SMeshVertex*)pVertexData[0];
        const SMeshVertex* pFromVertices = (const SMeshVertex*)pVertexData[1];
        const SMeshVertex* pToVertices = (const SMeshVertex*)pVertexData[2];
        const WORD* pOutIndices = (const WORD*)pIndexData[0];
        const WORD* pFromIndices = (const WORD*)pIndexData[1];
        const WORD* pToIndices = (const WORD*)pIndexData[2];
        DWORD dwOutCount = pOut->GetNumVertices();
        DWORD dwFromCount = pFrom->m_pMesh->GetNumVertices();
        DWORD dwToCount = pTo->m_pMesh->GetNumVertices();
        float fWeight = m_fTweenWeight;
        for (DWORD n = 0; n < dwFaces * 3; n++) {
            WORD wOut = pOutIndices[n], wFrom = pFromIndices[n], wTo = pToIndices[n];
            if (wOut >= dwOutCount || wFrom >= dwFromCount || wTo >= dwToCount) continue;
            const SMeshVertex& from = pFromVertices[wFrom];
            const SMeshVertex& to = pToVertices[wTo];
            SMeshVertex& out = pOutVertices[wOut];
            out.x = (1.0f - fWeight) * from.x + fWeight * to.x;
            out.y = (1.0f - fWeight) * from.y + fWeight * to.y;
            out.z = (1.0f - fWeight) * from.z + fWeight * to.z;
        }
    }

    for (int i = 0; i < nBuffers; i++)
        if (pVertexData[i]) pVB[i]->Unlock();
    for (int i = 0; i < nBuffers; i++)
        if (pIndexData[i]) pIB[i]->Unlock();
}
