#include "LightList.h"

#include <cstring>

// A negative count would make the allocation throw: it counts as an empty table.
CLightList::CLightList(int nCount) : m_nCount(nCount < 0 ? 0 : nCount), m_pDevice(nullptr) {
    // One spare record past the end, as in every pool of the program; it is
    // never reachable through an index, and is zeroed too so that no record
    // is ever left indeterminate.
    m_pLights = new D3DLIGHT8[m_nCount + 1];
    memset(m_pLights, 0, sizeof(D3DLIGHT8) * (m_nCount + 1));
}

CLightList::~CLightList() {
    if (m_pLights) {
        delete[] m_pLights;
        m_pLights = nullptr;
    }
}

void CLightList::SetDevice(IDirect3DDevice8* pDevice) { m_pDevice = pDevice; }

int CLightList::IsValidIndex(int nIndex) const {
    return m_pLights != nullptr && nIndex >= 0 && nIndex < m_nCount;
}

void CLightList::SetPointLight(int nIndex, float fX, float fY, float fZ, float fR, float fG,
                               float fB, float fRange) {
    if (!IsValidIndex(nIndex)) return;
    // Only these fields: attenuation, specular and the alphas stay as the
    // constructor left them (zero).
    D3DLIGHT8& light = m_pLights[nIndex];
    light.Type = D3DLIGHT_POINT;
    light.Position.x = fX;
    light.Position.y = fY;
    light.Position.z = fZ;
    light.Diffuse.r = fR;
    light.Diffuse.g = fG;
    light.Diffuse.b = fB;
    light.Ambient.r = fR;
    light.Ambient.g = fG;
    light.Ambient.b = fB;
    light.Range = fRange;
}

void CLightList::Send(int nIndex, BOOL bEnable) {
    if (!IsValidIndex(nIndex) || m_pDevice == nullptr) return;
    m_pDevice->SetLight(nIndex, &m_pLights[nIndex]);
    m_pDevice->LightEnable(nIndex, bEnable);
}

void CLightList::Enable(int nIndex) { Send(nIndex, TRUE); }

void CLightList::Disable(int nIndex) { Send(nIndex, FALSE); }
