// Drawing: transform and lighting on the CPU by the fixed-function rules,
// then rasterising through OpenGL into the device's back buffer.
#pragma once

#include "d3d8_api.h"

namespace platform {

class D3DDevice;

HRESULT drawPrimitive(D3DDevice& device, D3DPRIMITIVETYPE type, UINT startVertex,
                      UINT primitiveCount);
HRESULT drawIndexedPrimitive(D3DDevice& device, D3DPRIMITIVETYPE type, UINT minIndex,
                             UINT numVertices, UINT startIndex, UINT primitiveCount);

}  // namespace platform
