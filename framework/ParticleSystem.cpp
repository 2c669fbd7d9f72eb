#include "ParticleSystem.h"

#include "GraphicsApp.h"
#include "d3dx8_api.h"

#include <cstring>

namespace {

const int kVertexCount = 3;
const UINT kBufferBytes = kVertexCount * sizeof(SParticleVertex);

// One world unit wide and high around the particle's position, apex up.
const float kCorners[kVertexCount][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.0f, 0.5f}};

void InvalidateParticles(void* pObject) {
    static_cast<CParticleSystem*>(pObject)->InvalidateDeviceObjects();
}

void RestoreParticles(void* pObject) {
    static_cast<CParticleSystem*>(pObject)->RestoreDeviceObjects();
}

}  // namespace

CParticleSystem::CParticleSystem()
    : m_nCount(0), m_nVertexCount(0), m_pVertexBuffer(nullptr), m_pParticles(nullptr),
      m_pTexture(nullptr), m_pDevice(nullptr), m_dwColour(0), m_nRegistered(0), m_nFirstFree(0) {}

CParticleSystem::~CParticleSystem() { Release(); }

// Safe to run twice: the shut-down releases the sparks before the device
// goes, and the destructor then finds nothing left.
void CParticleSystem::Release() {
    if (m_nRegistered) {
        UnregisterDefaultPoolObject(this);
        m_nRegistered = 0;
    }
    if (m_pVertexBuffer) {
        m_pVertexBuffer->Release();
        m_pVertexBuffer = nullptr;
    }
    if (m_pParticles) {
        delete[] m_pParticles;
        m_pParticles = nullptr;
    }
    if (m_pTexture) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
}

void CParticleSystem::Create(int nCount, IDirect3DDevice8* pDevice, D3DCOLOR dwColour) {
    Release();  // a second Create replaces the first pool instead of leaking it
    if (nCount < 0) nCount = 0;  // a negative capacity would size the records below zero
    m_pDevice = pDevice;
    m_nVertexCount = kVertexCount;
    m_pVertexBuffer = nullptr;
    m_nCount = nCount;
    m_nFirstFree = 0;
    m_dwColour = dwColour;

    // Value-initialised: free records also start with zero velocity. The last
    // record is a spare that no index reaches.
    m_pParticles = new SParticle[nCount + 1]();

    if (pDevice == nullptr) return;
    CreateVertexBuffer();
    CreateTexture();
    m_nRegistered = RegisterDefaultPoolObject(this, InvalidateParticles, RestoreParticles) ? 1 : 0;
}

void CParticleSystem::CreateVertexBuffer() {
    if (FAILED(m_pDevice->CreateVertexBuffer(kBufferBytes, D3DUSAGE_WRITEONLY,
                                             D3DFVF_PARTICLEVERTEX, D3DPOOL_DEFAULT,
                                             &m_pVertexBuffer))) {
        m_pVertexBuffer = nullptr;
        return;
    }
    BYTE* pData = nullptr;
    if (FAILED(m_pVertexBuffer->Lock(0, kBufferBytes, &pData, 0)) || pData == nullptr) return;
    SParticleVertex* v = (SParticleVertex*)pData;
    for (int i = 0; i < kVertexCount; i++) {
        v[i].x = kCorners[i][0];
        v[i].y = kCorners[i][1];
        v[i].z = 0.0f;
        // Facing the camera, so the lit colour is defined while lighting is on.
        v[i].nx = 0.0f;
        v[i].ny = 0.0f;
        v[i].nz = -1.0f;
        v[i].diffuse = m_dwColour;
    }
    m_pVertexBuffer->Unlock();
}

void CParticleSystem::CreateTexture() {
    if (FAILED(m_pDevice->CreateTexture(1, 1, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
                                        &m_pTexture))) {
        m_pTexture = nullptr;
        return;
    }
    D3DLOCKED_RECT rect = {0, nullptr};
    if (FAILED(m_pTexture->LockRect(0, &rect, nullptr, 0)) || rect.pBits == nullptr) return;
    memcpy(rect.pBits, &m_dwColour, sizeof(D3DCOLOR));
    m_pTexture->UnlockRect(0);
}

void CParticleSystem::InvalidateDeviceObjects() {
    if (m_pVertexBuffer == nullptr) return;
    // The last Draw leaves the buffer bound as the device's stream.
    UnbindStreamSource(m_pDevice, m_pVertexBuffer);
    m_pVertexBuffer->Release();
    m_pVertexBuffer = nullptr;
}

void CParticleSystem::RestoreDeviceObjects() {
    if (m_pDevice && m_pVertexBuffer == nullptr) CreateVertexBuffer();
}

int CParticleSystem::Add(float fX, float fY, float fZ, float fVelX, float fVelY, int nLife) {
    for (int i = m_nFirstFree; i < m_nCount; i++) {
        SParticle& p = m_pParticles[i];
        if (p.m_nLife != 0) continue;
        m_nFirstFree = nLife != 0 ? i + 1 : i;
        p.m_nLife = nLife;
        p.m_fX = fX;
        p.m_fY = fY;
        p.m_fZ = fZ;
        p.m_fVelX = fVelX;
        p.m_fVelY = fVelY;
        return 1;
    }
    return 0;
}

void CParticleSystem::Kill(int nIndex) {
    if (nIndex < 0 || nIndex >= m_nCount) return;
    m_pParticles[nIndex].m_nLife = 0;
    if (nIndex < m_nFirstFree) m_nFirstFree = nIndex;
}

void CParticleSystem::Update() {
    m_nFirstFree = m_nCount;
    for (int i = 0; i < m_nCount; i++) {
        SParticle& p = m_pParticles[i];
        p.m_nLife = p.m_nLife > 0 ? p.m_nLife - 1 : 0;
        p.m_fX += p.m_fVelX;
        p.m_fY += p.m_fVelY;
        if (p.m_nLife == 0 && i < m_nFirstFree) m_nFirstFree = i;
    }
}

// Sets no render or stage state of its own: the particles take whatever the
// previous draw left. The world transform stays at the last particle's.
void CParticleSystem::Draw() {
    Update();
    if (m_pDevice == nullptr || m_pVertexBuffer == nullptr) return;

    m_pDevice->SetTexture(0, m_pTexture);
    m_pDevice->SetStreamSource(0, m_pVertexBuffer, sizeof(SParticleVertex));
    m_pDevice->SetVertexShader(D3DFVF_PARTICLEVERTEX);
    for (int i = 0; i < m_nCount; i++) {
        const SParticle& p = m_pParticles[i];
        if (p.m_nLife == 0) continue;
        D3DXMATRIX matWorld;
        D3DXMatrixTranslation(&matWorld, p.m_fX, p.m_fY, p.m_fZ);
        m_pDevice->SetTransform(D3DTS_WORLD, &matWorld);
        m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    }
    m_pDevice->SetVertexShader(0);
}
