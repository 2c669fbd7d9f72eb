#include "Camera.h"

#include <cmath>

namespace {

const float kFieldOfView = 0.7853982f;  // a quarter turn's half: pi / 4
const float kNearPlane = 1.0f;
const float kFarPlane = 1000.0f;
const float kScreenNear = 0.0f;
const float kScreenFar = 100.0f;
// The device always runs at 800 by 600; a window without a client area
// would otherwise give a division by zero (no height) or an infinite x scale
// (no width).
const float kFallbackAspect = 800.0f / 600.0f;

}  // namespace

CCamera::CCamera()
    : m_fX(0.0f), m_fY(0.0f), m_fZ(0.0f), m_fPitch(0.0f), m_fYaw(0.0f), m_fRoll(0.0f) {}

CCamera::~CCamera() {}

void CCamera::Init(IDirect3DDevice8* pDevice, HWND hWnd) {
    D3DXMatrixIdentity(&m_matView);
    pDevice->SetTransform(D3DTS_VIEW, &m_matView);

    RECT rcClient = {0, 0, 0, 0};
    GetClientRect(hWnd, &rcClient);
    int nWidth = rcClient.right - rcClient.left;
    int nHeight = rcClient.bottom - rcClient.top;
    float fAspect =
        nWidth > 0 && nHeight > 0 ? (float)nWidth / (float)nHeight : kFallbackAspect;
    D3DXMatrixPerspectiveFovLH(&m_matProj, kFieldOfView, fAspect, kNearPlane, kFarPlane);
    pDevice->SetTransform(D3DTS_PROJECTION, &m_matProj);

    RECT rcScreen = {0, 0, 0, 0};
    GetClientRect(hWnd, &rcScreen);
    float fScreenWidth = (float)rcScreen.right;
    float fScreenHeight = (float)rcScreen.bottom;
    if (rcScreen.right == 0 || rcScreen.bottom == 0) {
        // Same guard for the sprites' pixel matrix: the device's own size.
        fScreenWidth = 800.0f;
        fScreenHeight = 600.0f;
    }
    D3DXMatrixOrthoLH(&m_matScreen, fScreenWidth, fScreenHeight, kScreenNear, kScreenFar);
}

void CCamera::Update(IDirect3DDevice8* pDevice, int nFlag) {
    if (nFlag != 0) {
        // No caller asks for anything but the ordinary view; any other flag
        // keeps an identity view rather than a product of unfilled matrices.
        D3DXMatrixIdentity(&m_matView);
        pDevice->SetTransform(D3DTS_VIEW, &m_matView);
        return;
    }
    D3DXMATRIX matTrans, matRotX, matRotY, matRotZ;
    D3DXMatrixTranslation(&matTrans, -m_fX, -m_fY, -m_fZ);
    D3DXMatrixRotationX(&matRotX, -m_fPitch);
    D3DXMatrixRotationY(&matRotY, -m_fYaw);
    D3DXMatrixRotationZ(&matRotZ, -m_fRoll);

    // Row vectors: rotate about x, then y, then z, then move by minus the
    // position. Separate products keep every output apart from its inputs.
    D3DXMATRIX matXY, matXYZ;
    D3DXMatrixMultiply(&matXY, &matRotX, &matRotY);
    D3DXMatrixMultiply(&matXYZ, &matXY, &matRotZ);
    D3DXMatrixMultiply(&m_matView, &matXYZ, &matTrans);
    pDevice->SetTransform(D3DTS_VIEW, &m_matView);
}

void CCamera::LookAt(float fX, float fY, float fZ) {
    float fDX = fX - m_fX;
    float fDY = fY - m_fY;
    float fDZ = fZ - m_fZ;
    m_fPitch = (float)atan2(-(double)fDY, sqrt((double)fDX * fDX + (double)fDZ * fDZ));
    m_fYaw = (float)atan2((double)fDX, (double)fDZ);
    m_fRoll = 0.0f;
}
