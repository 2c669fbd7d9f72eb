// The states the game leaves set for drawing its models, on any device: no
// culling, alpha blending by the source alpha, and the one directional light
// (half-bright white, down and ahead) over a dim ambient.
#pragma once

#include "d3d8_api.h"

namespace testenv {

void setModelStates(IDirect3DDevice8* device);

}  // namespace testenv
