// A small table of point lights addressed by index. A record is filled in
// memory and reaches the device only when it is enabled or disabled. The
// record index is also the device's light index; index 0 belongs to the
// scene's directional light and is left alone by the game.
#pragma once

#include "d3d8_api.h"

class CLightList {
public:
    explicit CLightList(int nCount);
    ~CLightList();

    void SetDevice(IDirect3DDevice8* pDevice);
    // Fills record nIndex in memory; nothing is sent to the device.
    void SetPointLight(int nIndex, float fX, float fY, float fZ, float fR, float fG, float fB,
                       float fRange);
    // Sends the whole record, then switches the light on or off.
    void Enable(int nIndex);
    void Disable(int nIndex);

    int m_nCount;
    D3DLIGHT8* m_pLights;
    IDirect3DDevice8* m_pDevice;

private:
    int IsValidIndex(int nIndex) const;
    void Send(int nIndex, BOOL bEnable);
};
