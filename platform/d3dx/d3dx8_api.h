// The Direct3D utility names the program uses: matrix, vector and colour
// types, the matrix functions, textures from image files and .x meshes.
#pragma once

#include "d3d8_api.h"

// ---------------------------------------------------------------- math types
struct D3DXVECTOR3 : D3DVECTOR {
    D3DXVECTOR3() : D3DVECTOR{0.0f, 0.0f, 0.0f} {}
    D3DXVECTOR3(float x_, float y_, float z_) : D3DVECTOR{x_, y_, z_} {}
};

struct D3DXMATRIX : D3DMATRIX {
    D3DXMATRIX() : D3DMATRIX{} {}
    D3DXMATRIX(const D3DMATRIX& m) : D3DMATRIX(m) {}
    D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23,
               float m24, float m31, float m32, float m33, float m34, float m41, float m42,
               float m43, float m44);
    D3DXMATRIX operator*(const D3DXMATRIX& other) const;  // this applied first, then other
    D3DXMATRIX& operator*=(const D3DXMATRIX& other);
    float& operator()(UINT row, UINT col) { return m[row][col]; }
    float operator()(UINT row, UINT col) const { return m[row][col]; }
};

// Four float channels; converting to a D3DCOLOR clamps each to 0..1 and
// takes channel * 255 + 0.5, truncated.
struct D3DXCOLOR {
    float r, g, b, a;
    D3DXCOLOR() : r(0), g(0), b(0), a(0) {}
    D3DXCOLOR(float r_, float g_, float b_, float a_) : r(r_), g(g_), b(b_), a(a_) {}
    explicit D3DXCOLOR(D3DCOLOR argb);
    D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}
    operator D3DCOLOR() const;
    operator D3DCOLORVALUE() const { return D3DCOLORVALUE{r, g, b, a}; }
};

// ---------------------------------------------------------------- matrix functions
// Row vectors: v' = v * M, and A * B applies A first.
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zNear,
                                       float zFar);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float width, float height, float zNear, float zFar);

// ---------------------------------------------------------------- buffers and meshes
#define D3DXMESH_32BIT 0x001
#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220

struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    LPSTR pTextureFilename;
};

struct ID3DXBuffer : IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

struct ID3DXMesh : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice8** device) = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** buffer) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** buffer) = 0;
    virtual HRESULT LockVertexBuffer(DWORD flags, BYTE** data) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD flags, BYTE** data) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device,
                                 ID3DXMesh** clone) = 0;
};
typedef ID3DXMesh* LPD3DXMESH;
typedef ID3DXBuffer* LPD3DXBUFFER;

// ---------------------------------------------------------------- loaders
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* device, LPCSTR fileName,
                                   IDirect3DTexture8** texture);
HRESULT D3DXCreateTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT mipLevels,
                          DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** texture);
HRESULT D3DXLoadMeshFromX(LPCSTR fileName, DWORD options, IDirect3DDevice8* device,
                          ID3DXBuffer** adjacency, ID3DXBuffer** materials, DWORD* numMaterials,
                          ID3DXMesh** mesh);

extern const IID IID_ID3DXMesh;
extern const IID IID_ID3DXBuffer;
