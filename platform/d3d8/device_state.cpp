#include "device_state.h"

namespace platform {

D3DMATRIX identityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

void DeviceState::setDefaults() {
    for (DWORD& value : renderStates) value = 0;
    renderStates[D3DRS_ZENABLE] = D3DZB_TRUE;  // on, since the device has an auto depth buffer
    renderStates[D3DRS_FILLMODE] = D3DFILL_SOLID;
    renderStates[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    renderStates[D3DRS_ZWRITEENABLE] = TRUE;
    renderStates[D3DRS_ALPHATESTENABLE] = FALSE;
    renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    renderStates[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    renderStates[D3DRS_CULLMODE] = D3DCULL_CCW;
    renderStates[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    renderStates[D3DRS_ALPHAREF] = 0;
    renderStates[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    renderStates[D3DRS_ALPHABLENDENABLE] = FALSE;
    renderStates[D3DRS_LIGHTING] = TRUE;
    renderStates[D3DRS_AMBIENT] = 0;
    renderStates[D3DRS_COLORVERTEX] = TRUE;
    renderStates[D3DRS_NORMALIZENORMALS] = FALSE;
    renderStates[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    renderStates[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    renderStates[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    renderStates[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;

    for (DWORD stage = 0; stage < D3D_MAX_TEXTURE_STAGES; ++stage) {
        DWORD* s = stageStates[stage];
        for (DWORD i = 0; i < D3DTSS_COUNT; ++i) s[i] = 0;
        s[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        s[D3DTSS_TEXCOORDINDEX] = stage;
        s[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        s[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        s[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        s[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        s[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        s[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        textureMatrix[stage] = identityMatrix();
    }
    world = view = projection = identityMatrix();
    lights.clear();
    material = D3DMATERIAL8{};
    vertexShader = 0;
    streamStride = 0;
    baseVertexIndex = 0;
}

}  // namespace platform
