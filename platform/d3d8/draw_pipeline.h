// Drawing: transform and lighting on the CPU by the fixed-function rules
// (vertex_processing.h), then rasterising through OpenGL into the device's
// back buffer with the stage-0 combiner, alpha test, blending, depth and
// culling states of the device.
#pragma once

#include "d3d8_api.h"

namespace platform {

class D3DDevice;

HRESULT drawPrimitive(D3DDevice& device, D3DPRIMITIVETYPE type, UINT startVertex,
                      UINT primitiveCount);
HRESULT drawIndexedPrimitive(D3DDevice& device, D3DPRIMITIVETYPE type, UINT minIndex,
                             UINT numVertices, UINT startIndex, UINT primitiveCount);

// Vertices a primitive count takes for a primitive type; 0 for an unknown type.
UINT verticesForPrimitives(D3DPRIMITIVETYPE type, UINT primitiveCount);

}  // namespace platform
