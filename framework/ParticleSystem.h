// A fixed pool of tiny one-triangle particles of one colour. Each live
// particle moves by a constant velocity in x and y once per update and
// vanishes when its life in updates runs out. All particles share one
// three-vertex buffer and a 1 x 1 texture holding the colour.
#pragma once

#include "d3d8_api.h"

struct SParticle {
    float m_fX, m_fY, m_fZ;
    float m_fVelX, m_fVelY;
    int m_nLife;  // updates left; 0 = free slot
};

// The particle vertex, flexible vertex format 0x52, 28 bytes.
struct SParticleVertex {
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR diffuse;
};
#define D3DFVF_PARTICLEVERTEX (D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE)

class CParticleSystem {
public:
    CParticleSystem();
    ~CParticleSystem();

    void Create(int nCount, IDirect3DDevice8* pDevice, D3DCOLOR dwColour);
    // 1 when the particle took the lowest free slot, 0 when the pool is full.
    int Add(float fX, float fY, float fZ, float fVelX, float fVelY, int nLife);
    void Kill(int nIndex);
    void Update();
    // Updates, then draws every particle still alive.
    void Draw();

    // The shared buffer lives in the default pool: it is released before a
    // device reset and made again afterwards.
    void InvalidateDeviceObjects();
    void RestoreDeviceObjects();

    // The destructor's work: lets go of the buffer, the records and the
    // texture, leaving the pointers null, so the destructor that follows
    // finds nothing left. The game's shut-down calls it before the device goes.
    void Release();

    int m_nCount;
    int m_nVertexCount;
    IDirect3DVertexBuffer8* m_pVertexBuffer;
    SParticle* m_pParticles;
    IDirect3DTexture8* m_pTexture;
    IDirect3DDevice8* m_pDevice;

private:
    void CreateVertexBuffer();
    void CreateTexture();

    D3DCOLOR m_dwColour;  // kept so the buffer can be made again after a reset
    int m_nRegistered;
    // Every slot below it is alive (records change only through Add, Kill
    // and Update), so Add starts looking there: a full pool turns a spark
    // away at once instead of walking every record.
    int m_nFirstFree;
};
