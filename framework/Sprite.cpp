#include "Sprite.h"

#include "Camera.h"

#include <cstring>

namespace {

const UINT kScreenQuadBytes = 4 * sizeof(SScreenVertex);
const UINT kWorldQuadBytes = 4 * sizeof(SBillboardVertex);
const DWORD kAlphaReference = 0x10;

template <class T>
void ReleaseAndClear(T*& pObject) {
    if (pObject) {
        pObject->Release();
        pObject = nullptr;
    }
}

void SetScreenVertex(SScreenVertex& v, float fX, float fY, float fZ, D3DCOLOR dwColour, float fU,
                     float fV) {
    v.x = fX;
    v.y = fY;
    v.z = fZ;
    v.rhw = 1.0f;
    v.diffuse = dwColour;
    v.tu = fU;
    v.tv = fV;
}

int Is32BitFormat(D3DFORMAT format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8;
}

void ClearTexture(IDirect3DTexture8* pTexture, int nWidth, int nHeight) {
    D3DLOCKED_RECT rect = {0, nullptr};
    if (FAILED(pTexture->LockRect(0, &rect, nullptr, 0)) || rect.pBits == nullptr) return;
    for (int j = 0; j < nHeight; j++) memset((BYTE*)rect.pBits + j * rect.Pitch, 0, 4 * nWidth);
    pTexture->UnlockRect(0);
}

}  // namespace

CSprite::CSprite()
    : m_pTexture(nullptr), m_pVertexBuffer(nullptr),
      m_fX(0.0f), m_fY(0.0f), m_fZ(1.0f),
      m_fRotX(0.0f), m_fRotY(0.0f), m_fRotZ(0.0f),
      m_fScaleX(1.0f), m_fScaleY(1.0f), m_fScaleZ(1.0f),
      m_nFrameHeight(0), m_nFrameWidth(0), m_nColumns(0), m_nRows(0),
      m_nTextureHeight(0), m_nTextureWidth(0),
      m_nFrame(0), m_nFrameCount(0), m_nReserved(0),
      m_dwColour(0), m_nMode(-1), m_pDevice(nullptr), m_pCamera(nullptr) {}

CSprite::~CSprite() {
    ReleaseAndClear(m_pTexture);
    ReleaseAndClear(m_pVertexBuffer);
}

int CSprite::Create(IDirect3DDevice8* pDevice, CCamera* pCamera, const char* szFile,
                    int nTextureWidth, int nTextureHeight, int nColumns, int nRows,
                    int nFrameWidth, int nFrameHeight, int nFrameCount, D3DCOLOR dwColour,
                    int nMode) {
    m_pDevice = pDevice;
    m_pCamera = pCamera;
    m_nTextureWidth = nTextureWidth;
    m_nTextureHeight = nTextureHeight;
    m_nColumns = nColumns;
    m_nRows = nRows;
    m_nFrameWidth = nFrameWidth;
    m_nFrameHeight = nFrameHeight;
    m_nFrameCount = nFrameCount;
    m_dwColour = dwColour;
    m_nMode = nMode;
    if (pDevice == nullptr) return 0;

    switch (nMode) {
    case SPRITE_SCREEN:
    case SPRITE_OPAQUE:
        return CreateScreenQuad(szFile);
    case SPRITE_BILLBOARD:
        return CreateWorldQuad(szFile);
    default:
        return 0;
    }
}

// The sheet's cells are (frame width + 1) by (frame height + 1) texels. The
// horizontal position divides by the row count and the vertical one by the
// column count; with the one-row sheets in use, a frame index past the last
// column steps down by whole rows. A divisor below 1 counts as 1.
float CSprite::FrameX(int nFrame) {
    int nRows = m_nRows > 0 ? m_nRows : 1;
    return (float)((nFrame / nRows) * (m_nFrameWidth + 1) + 2);
}

float CSprite::FrameY(int nFrame) {
    int nColumns = m_nColumns > 0 ? m_nColumns : 1;
    return (float)((nFrame / nColumns) * (m_nFrameHeight + 1) + 2);
}

void CSprite::FrameUV(float* pfLeft, float* pfTop, float* pfRight, float* pfBottom) {
    float fFrameX = FrameX(m_nFrame);
    float fFrameY = FrameY(m_nFrame);
    *pfLeft = fFrameX / (float)m_nTextureWidth;
    *pfTop = fFrameY / (float)m_nTextureHeight;
    *pfRight = (fFrameX + (float)m_nFrameWidth - 2.0f) / (float)m_nTextureWidth;
    *pfBottom = (fFrameY + (float)m_nFrameHeight - 2.0f) / (float)m_nTextureHeight;
}

int CSprite::CreateScreenQuad(const char* szFile) {
    if (FAILED(m_pDevice->CreateVertexBuffer(kScreenQuadBytes, 0, D3DFVF_SCREENVERTEX,
                                             D3DPOOL_MANAGED, &m_pVertexBuffer))) {
        m_pVertexBuffer = nullptr;
        return 0;
    }
    BYTE* pData = nullptr;
    if (SUCCEEDED(m_pVertexBuffer->Lock(0, kScreenQuadBytes, &pData, 0)) && pData) {
        SScreenVertex* v = (SScreenVertex*)pData;
        float fHalfW = (float)m_nFrameWidth / 2.0f;
        float fHalfH = (float)m_nFrameHeight / 2.0f;
        float fLeft = m_fX - fHalfW, fRight = m_fX + fHalfW;
        float fTop = m_fY - fHalfH, fBottom = m_fY + fHalfH;
        float fTexW = (float)m_nTextureWidth, fTexH = (float)m_nTextureHeight;
        float fFrameX = FrameX(m_nFrame), fFrameY = FrameY(m_nFrame);
        float fUL = fFrameX / fTexW, fUR = (fFrameX + m_nFrameWidth) / fTexW;
        float fVT = fFrameY / fTexH, fVB = (fFrameY + m_nFrameHeight) / fTexH;
        SetScreenVertex(v[0], fLeft, fTop, 1.0f, m_dwColour, fUL, fVT);
        SetScreenVertex(v[1], fLeft, fBottom, 1.0f, m_dwColour, fUL, fVB);
        SetScreenVertex(v[2], fRight, fTop, 1.0f, m_dwColour, fUR, fVT);
        SetScreenVertex(v[3], fRight, fBottom, 1.0f, m_dwColour, fUR, fVB);
        m_pVertexBuffer->Unlock();
    }
    return BuildTexture(szFile);
}

int CSprite::CreateWorldQuad(const char* szFile) {
    if (FAILED(m_pDevice->CreateVertexBuffer(kWorldQuadBytes, 0, D3DFVF_BILLBOARDVERTEX,
                                             D3DPOOL_MANAGED, &m_pVertexBuffer))) {
        m_pVertexBuffer = nullptr;
        return 0;
    }
    BYTE* pData = nullptr;
    if (SUCCEEDED(m_pVertexBuffer->Lock(0, kWorldQuadBytes, &pData, 0)) && pData) {
        SBillboardVertex* v = (SBillboardVertex*)pData;
        float fHalfW = (float)m_nFrameWidth / 2.0f;
        float fHalfH = (float)m_nFrameHeight / 2.0f;
        const float afX[4] = {fHalfW, fHalfW, -fHalfW, -fHalfW};
        const float afY[4] = {-fHalfH, fHalfH, -fHalfH, fHalfH};
        for (int i = 0; i < 4; i++) {
            v[i].x = afX[i];
            v[i].y = afY[i];
            v[i].z = m_fZ;
            v[i].diffuse = m_dwColour;
            v[i].tu = 0.0f;  // every draw writes the frame's coordinates
            v[i].tv = 0.0f;
        }
        m_pVertexBuffer->Unlock();
    }
    return BuildTexture(szFile);
}

// The own texture starts cleared to zero, so whatever the image does not
// cover (or all of it, when the image cannot be loaded) reads with alpha 0
// and is cut out by the alpha test.
int CSprite::BuildTexture(const char* szFile) {
    if (FAILED(m_pDevice->CreateTexture(m_nTextureWidth, m_nTextureHeight, 1, 0, D3DFMT_A8R8G8B8,
                                        D3DPOOL_MANAGED, &m_pTexture))) {
        m_pTexture = nullptr;
        return 0;
    }
    ClearTexture(m_pTexture, m_nTextureWidth, m_nTextureHeight);

    IDirect3DTexture8* pImage = nullptr;
    if (szFile == nullptr || FAILED(D3DXCreateTextureFromFileA(m_pDevice, szFile, &pImage)) ||
        pImage == nullptr)
        return 0;
    int nCopied = CopyOpaqueTexels(pImage);
    pImage->Release();  // only the source of the copy
    return nCopied;
}

// Every non-zero texel of the image becomes opaque with its colour kept; zero
// texels are skipped. The copy covers only the part both surfaces have and
// reads only 32-bit images, so a small or odd image never reads past its end.
int CSprite::CopyOpaqueTexels(IDirect3DTexture8* pImage) {
    D3DSURFACE_DESC imageDesc;
    memset(&imageDesc, 0, sizeof(imageDesc));
    if (FAILED(pImage->GetLevelDesc(0, &imageDesc)) || !Is32BitFormat(imageDesc.Format)) return 0;
    D3DLOCKED_RECT imageRect = {0, nullptr};
    D3DLOCKED_RECT ownRect = {0, nullptr};
    pImage->LockRect(0, &imageRect, nullptr, 0);
    m_pTexture->LockRect(0, &ownRect, nullptr, 0);
    int nCopied = 0;
    if (imageRect.pBits != nullptr && ownRect.pBits != nullptr) {
        int nWidth = m_nTextureWidth < (int)imageDesc.Width ? m_nTextureWidth
                                                             : (int)imageDesc.Width;
        int nHeight = m_nTextureHeight < (int)imageDesc.Height ? m_nTextureHeight
                                                               : (int)imageDesc.Height;
        for (int j = 0; j < nHeight; j++) {
            for (int i = 0; i < nWidth; i++) {
                const BYTE* pSource = (const BYTE*)imageRect.pBits + j * imageRect.Pitch + 4 * i;
                BYTE* pDest = (BYTE*)ownRect.pBits + j * ownRect.Pitch + 4 * i;
                DWORD dwTexel;
                memcpy(&dwTexel, pSource, 4);
                if (dwTexel == 0) continue;
                pDest[0] = pSource[0];  // blue
                pDest[1] = pSource[1];  // green
                pDest[2] = pSource[2];  // red
                pDest[3] = 255;
            }
        }
        nCopied = 1;
    }
    if (ownRect.pBits != nullptr) m_pTexture->UnlockRect(0);
    if (imageRect.pBits != nullptr) pImage->UnlockRect(0);
    return nCopied;
}

void CSprite::UpdateScreenQuad() {
    BYTE* pData = nullptr;
    if (FAILED(m_pVertexBuffer->Lock(0, kScreenQuadBytes, &pData, 0)) || pData == nullptr) return;
    SScreenVertex* v = (SScreenVertex*)pData;
    float fHalfW = (float)m_nFrameWidth / 2.0f;
    float fHalfH = (float)m_nFrameHeight / 2.0f;
    float fLeft = m_fX - fHalfW, fRight = m_fX + fHalfW;
    float fTop = m_fY - fHalfH, fBottom = m_fY + fHalfH;
    float fUL, fVT, fUR, fVB;
    FrameUV(&fUL, &fVT, &fUR, &fVB);
    SetScreenVertex(v[0], fLeft, fTop, m_fZ, m_dwColour, fUL, fVT);
    SetScreenVertex(v[1], fLeft, fBottom, m_fZ, m_dwColour, fUL, fVB);
    SetScreenVertex(v[2], fRight, fTop, m_fZ, m_dwColour, fUR, fVT);
    SetScreenVertex(v[3], fRight, fBottom, m_fZ, m_dwColour, fUR, fVB);
    m_pVertexBuffer->Unlock();
}

void CSprite::UpdateWorldUV() {
    BYTE* pData = nullptr;
    if (FAILED(m_pVertexBuffer->Lock(0, kWorldQuadBytes, &pData, 0)) || pData == nullptr) return;
    SBillboardVertex* v = (SBillboardVertex*)pData;
    float fUL, fVT, fUR, fVB;
    FrameUV(&fUL, &fVT, &fUR, &fVB);
    // World +y is up, texture v runs down: the top corners take the top row.
    const float afU[4] = {fUR, fUR, fUL, fUL};
    const float afV[4] = {fVB, fVT, fVB, fVT};
    for (int i = 0; i < 4; i++) {
        v[i].diffuse = m_dwColour;
        v[i].tu = afU[i];
        v[i].tv = afV[i];
    }
    m_pVertexBuffer->Unlock();
}

void CSprite::SetScreenQuadUV(float fU, float fV) {
    if (m_pVertexBuffer == nullptr) return;
    // Only the screen modes own a quad of screen vertices.
    if (m_nMode != SPRITE_SCREEN && m_nMode != SPRITE_OPAQUE) return;
    BYTE* pData = nullptr;
    if (FAILED(m_pVertexBuffer->Lock(0, kScreenQuadBytes, &pData, 0)) || pData == nullptr) return;
    SScreenVertex* v = (SScreenVertex*)pData;
    float fHalfW = (float)m_nFrameWidth / 2.0f;
    float fHalfH = (float)m_nFrameHeight / 2.0f;
    float fLeft = m_fX - fHalfW, fRight = m_fX + fHalfW;
    float fTop = m_fY - fHalfH, fBottom = m_fY + fHalfH;
    SetScreenVertex(v[0], fLeft, fBottom, m_fZ, m_dwColour, 0.0f, 0.0f);
    SetScreenVertex(v[1], fLeft, fTop, m_fZ, m_dwColour, 0.0f, fV);
    SetScreenVertex(v[2], fRight, fBottom, m_fZ, m_dwColour, fU, 0.0f);
    SetScreenVertex(v[3], fRight, fTop, m_fZ, m_dwColour, fU, fV);
    m_pVertexBuffer->Unlock();
}

void CSprite::Draw(IDirect3DTexture8** ppTexture) {
    // A sprite whose Create failed before its quad existed draws nothing.
    if (m_pVertexBuffer == nullptr || m_pDevice == nullptr) return;
    switch (m_nMode) {
    case SPRITE_SCREEN:
        DrawScreen(ppTexture);
        break;
    case SPRITE_BILLBOARD:
        DrawBillboard(ppTexture);
        break;
    case SPRITE_OPAQUE:
        DrawOpaqueScreen(ppTexture);
        break;
    default:
        break;
    }
}

// A passed pointer replaces the own texture for this draw, whatever it holds.
IDirect3DTexture8* CSprite::ChooseTexture(IDirect3DTexture8** ppTexture) {
    if (ppTexture != nullptr) return *ppTexture;
    return m_pTexture;
}

void CSprite::SetBlendStates() {
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_ALPHAREF, kAlphaReference);
    m_pDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
}

// Leaves lighting and depth on, the camera's projection back, and blending
// with the alpha test still enabled for whatever is drawn next.
void CSprite::DrawScreen(IDirect3DTexture8** ppTexture) {
    if (m_pCamera) m_pDevice->SetTransform(D3DTS_PROJECTION, &m_pCamera->m_matScreen);
    UpdateScreenQuad();
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    IDirect3DTexture8* pTexture = ChooseTexture(ppTexture);
    m_pDevice->SetTexture(0, pTexture);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    SetBlendStates();

    m_pDevice->SetVertexShader(D3DFVF_SCREENVERTEX);
    m_pDevice->SetStreamSource(0, m_pVertexBuffer, sizeof(SScreenVertex));
    // Without any texture (its creation failed, or a null one was passed) the
    // quad would show as a plain block of its colour: it stays invisible, as a
    // sprite whose image failed does.
    if (pTexture) m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    m_pDevice->SetVertexShader(0);

    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    if (m_pCamera) m_pDevice->SetTransform(D3DTS_PROJECTION, &m_pCamera->m_matProj);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
}

// Turns the quad to face the camera by undoing the view's rotation; leaves
// the depth test and the projection as they were.
void CSprite::DrawBillboard(IDirect3DTexture8** ppTexture) {
    UpdateWorldUV();

    D3DXMATRIX matTrans, matView, matFacing, matScale;
    D3DXMatrixTranslation(&matTrans, m_fX, m_fY, m_fZ);
    m_pDevice->GetTransform(D3DTS_VIEW, &matView);
    D3DXMatrixTranspose(&matFacing, &matView);
    matFacing._14 = 0.0f;
    matFacing._24 = 0.0f;
    matFacing._34 = 0.0f;
    matFacing._41 = 0.0f;
    matFacing._42 = 0.0f;
    matFacing._43 = 0.0f;
    D3DXMatrixScaling(&matScale, m_fScaleX, m_fScaleY, m_fScaleZ);
    D3DXMATRIX matScaleFacing, matWorld;
    D3DXMatrixMultiply(&matScaleFacing, &matScale, &matFacing);
    D3DXMatrixMultiply(&matWorld, &matScaleFacing, &matTrans);
    m_pDevice->SetTransform(D3DTS_WORLD, &matWorld);

    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    SetBlendStates();

    IDirect3DTexture8* pTexture = ChooseTexture(ppTexture);
    m_pDevice->SetTexture(0, pTexture);
    m_pDevice->SetVertexShader(D3DFVF_BILLBOARDVERTEX);
    m_pDevice->SetStreamSource(0, m_pVertexBuffer, sizeof(SBillboardVertex));
    // No plain block here either (see DrawScreen).
    if (pTexture) m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    m_pDevice->SetVertexShader(0);

    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
}

// Shows the caller's texture as it is, without blending; leaves blending off.
void CSprite::DrawOpaqueScreen(IDirect3DTexture8** ppTexture) {
    // This mode never shows the own texture; without a caller's texture
    // there is nothing to show.
    if (ppTexture == nullptr || *ppTexture == nullptr) return;
    if (m_pCamera) m_pDevice->SetTransform(D3DTS_PROJECTION, &m_pCamera->m_matScreen);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetTexture(0, *ppTexture);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_pDevice->SetVertexShader(D3DFVF_SCREENVERTEX);
    m_pDevice->SetStreamSource(0, m_pVertexBuffer, sizeof(SScreenVertex));
    m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    m_pDevice->SetVertexShader(0);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    if (m_pCamera) m_pDevice->SetTransform(D3DTS_PROJECTION, &m_pCamera->m_matProj);
}
