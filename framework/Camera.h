// The camera: the view and projection the scene is seen through, plus the
// orthographic screen matrix the sprites install while they draw in pixels.
// Angles are in radians (everything else in the program uses degrees).
#pragma once

#include "d3d8_api.h"
#include "d3dx8_api.h"

class CCamera {
public:
    CCamera();
    ~CCamera();

    // Identity view and the perspective projection on the device; keeps the
    // screen matrix for the sprites.
    void Init(IDirect3DDevice8* pDevice, HWND hWnd);
    // Builds the view from the position and angles and sets it; every caller
    // passes flag 0.
    void Update(IDirect3DDevice8* pDevice, int nFlag);
    // Aims the camera at a point: sets pitch, yaw and roll only.
    void LookAt(float fX, float fY, float fZ);

    D3DXMATRIX m_matScreen;
    D3DXMATRIX m_matView;
    D3DXMATRIX m_matProj;
    float m_fX;
    float m_fY;
    float m_fZ;
    float m_fPitch;
    float m_fYaw;
    float m_fRoll;
};
